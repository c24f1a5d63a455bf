// Times the loading of one reading payload and reports the peak memory of
// the process against the file size. Run in a fresh process per payload
// (dev/bench-load does), so that the peak is the load's own.
//
//   load_payload ja|ja-libyaml|ja-binary|zh|zh-libyaml|events|ja-indexed|zh-indexed PATH
//   load_payload write-indexed ja|zh YAML_PATH INDEXED_PATH
//   load_payload lookups ja|zh YAML_PATH INDEXED_PATH
//
// "ja" and "zh" load a YAML payload, "ja-binary" a Japanese binary one.
// "ja-libyaml" and "zh-libyaml" read the YAML file whole and load it
// through libyaml alone, as the loaders did before the block-subset reader.
// "events" only pulls libyaml's events through the file, with nothing built:
// the ceiling that a loader over libyaml can reach on that payload.
// After a load of one language's payload, the canonical checksums of the
// loaded index are timed too, as a bundle load recomputes them.
// "write-indexed" turns a YAML payload into an indexed one; "lookups" loads
// both and times lookups of every surface, in a shuffled order, on the map
// form and on the indexed form.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <yaml.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "artifacts/indexed/unidic_indexed_index.h"
#include "artifacts/indexed/unidic_indexed_writer.h"
#include "artifacts/indexed/zh_indexed_index.h"
#include "artifacts/indexed/zh_indexed_writer.h"

#include "ja/unidic/binary_payload.h"
#include "ja/unidic/canonical_checksum.h"
#include "ja/unidic/unidic_load_error.h"
#include "ja/unidic/yaml_payload.h"
#include "zh/index/canonical_checksum.h"
#include "zh/index/yaml_payload.h"
#include "zh/index/zh_load_error.h"

namespace {

double cpu_seconds(const rusage& usage) {
  auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The resident memory of the process now, in MB: after a load, the loaded
// index plus the process's own baseline.
double resident_megabytes() {
  long pages = 0, resident = 0;
  FILE* statm = std::fopen("/proc/self/statm", "r");
  if (statm == nullptr) return 0;
  if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
  std::fclose(statm);
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1e6;
}

// Returns the number of events, or -1 when libyaml fails.
long long pull_events(const char* path) {
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return -1;
  yaml_parser_t parser;
  yaml_parser_initialize(&parser);
  yaml_parser_set_input_file(&parser, file);
  long long events = 0;
  for (bool done = false; !done; ++events) {
    yaml_event_t event;
    if (!yaml_parser_parse(&parser, &event)) {
      events = -1;
      break;
    }
    done = event.type == YAML_STREAM_END_EVENT;
    yaml_event_delete(&event);
  }
  yaml_parser_delete(&parser);
  std::fclose(file);
  return events;
}

double cpu_now() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

int write_indexed(const std::string& language, const char* yaml_path, const char* out_path) {
  double start = cpu_now();
  std::string error;
  if (language == "ja") {
    auto index = lumra::ja::load_yaml_payload(yaml_path);
    if (!index.ok()) error = lumra::ja::message(index.error());
    else if (auto written = lumra::artifacts::write_indexed_payload(*index.value(), out_path); !written.ok())
      error = lumra::artifacts::message(written.error());
  } else {
    auto index = lumra::zh::load_zh_yaml_payload(yaml_path);
    if (!index.ok()) error = lumra::zh::message(index.error());
    else if (auto written = lumra::artifacts::write_zh_indexed_payload(*index.value(), out_path); !written.ok())
      error = lumra::artifacts::message(written.error());
  }
  if (!error.empty()) {
    std::fprintf(stderr, "write failed: %s\n", error.c_str());
    return 1;
  }
  std::printf("wrote %s in %.2f s cpu (YAML load and indexed write)\n", out_path, cpu_now() - start);
  return 0;
}

// CPU seconds per lookup of every key, once over; `found` counts the
// readings seen, so that nothing is optimised away.
template <class Lookup>
double time_lookups(const std::vector<std::string>& keys, Lookup lookup, long long& found) {
  std::vector<std::string_view> readings;
  readings.reserve(256);
  double start = cpu_now();
  for (const std::string& key : keys) {
    if (lookup(key, readings)) found += static_cast<long long>(readings.size());
  }
  return (cpu_now() - start) / static_cast<double>(keys.size());
}

// The two forms take turns, round after round, and each keeps its fastest
// round: on a shared machine a neighbour's burst then slows one round of
// each rather than the whole of one form.
template <class MapIndex, class IndexedIndex, class Lookup>
int compare_lookups(const MapIndex& map, const IndexedIndex& indexed, Lookup lookup) {
  std::vector<std::string> present, absent;
  auto walked = map.for_each_canonical_entry(
      [&](std::string_view surface, const std::vector<std::string_view>&) {
        present.emplace_back(surface);
        absent.push_back(std::string(surface) + "\xe3\x81\x82");  // surface + "あ"
      });
  if (!walked.ok()) return 1;
  std::mt19937_64 rng(5);
  std::shuffle(present.begin(), present.end(), rng);
  std::shuffle(absent.begin(), absent.end(), rng);
  const int rounds = 5;
  for (auto* keys : {&present, &absent}) {
    long long map_found = 0, indexed_found = 0;
    double map_seconds = 1e300, indexed_seconds = 1e300;
    for (int round = 0; round < rounds; ++round) {
      map_seconds = std::min(map_seconds, time_lookups(*keys, [&](const std::string& k, auto& r) { return lookup(map, k, r); }, map_found));
      indexed_seconds = std::min(indexed_seconds, time_lookups(*keys, [&](const std::string& k, auto& r) { return lookup(indexed, k, r); }, indexed_found));
    }
    if (map_found != indexed_found) {
      std::fprintf(stderr, "!!! MISMATCH: map form found %lld readings, indexed %lld\n", map_found, indexed_found);
      return 1;
    }
    std::printf("lookups of %zu %s keys, shuffled, best of %d: map %6.0f ns (%5.2f M/s), indexed %6.0f ns "
                "(%5.2f M/s) = %.2f x map\n",
                keys->size(), keys == &present ? "present" : "absent ", rounds, map_seconds * 1e9,
                1e-6 / map_seconds, indexed_seconds * 1e9, 1e-6 / indexed_seconds,
                indexed_seconds / map_seconds);
  }
  return 0;
}

int lookups(const std::string& language, const char* yaml_path, const char* indexed_path) {
  if (language == "ja") {
    auto map = lumra::ja::load_yaml_payload(yaml_path);
    auto indexed = lumra::artifacts::load_indexed_payload(indexed_path);
    if (!map.ok() || !indexed.ok()) return 1;
    return compare_lookups(*map.value(), *indexed.value(), [](const auto& index, const std::string& key, auto& readings) {
      auto found = index.lookup(key, readings);
      return found.ok() && found.value();
    });
  }
  auto map = lumra::zh::load_zh_yaml_payload(yaml_path);
  auto indexed = lumra::artifacts::load_zh_indexed_payload(indexed_path);
  if (!map.ok() || !indexed.ok()) return 1;
  return compare_lookups(*map.value(), *indexed.value(), [](const auto& index, const std::string& key, auto& readings) {
    auto found = index.lookup_readings(key, readings);
    return found.ok() && found.value();
  });
}

// Times `checksum(algorithm)` and prints it beside the load's CPU time: on
// a shared machine the wall clock says more about the neighbours.
template <class Checksum>
void time_checksum(const char* algorithm, double load_cpu_seconds, Checksum checksum) {
  double start = cpu_now();
  auto result = checksum(algorithm);
  double seconds = cpu_now() - start;
  bool ok = result.ok() && result.value().has_value();
  std::printf("  checksum %-20s cpu %5.2f s = %4.0f%% of the load's cpu%s\n", algorithm, seconds,
              100 * seconds / load_cpu_seconds, ok ? "" : " (FAILED)");
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc >= 2 ? argv[1] : "";
  if (argc == 5 && mode == "write-indexed") return write_indexed(argv[2], argv[3], argv[4]);
  if (argc == 5 && mode == "lookups") return lookups(argv[2], argv[3], argv[4]);
  if (argc != 3 || (mode != "ja" && mode != "ja-binary" && mode != "zh" && mode != "events" && mode != "ja-indexed" &&
                    mode != "zh-indexed" && mode != "ja-libyaml" && mode != "zh-libyaml")) {
    std::fprintf(stderr,
                 "usage: load_payload ja|ja-libyaml|ja-binary|zh|zh-libyaml|events|ja-indexed|zh-indexed PATH\n"
                 "       load_payload write-indexed|lookups ja|zh YAML_PATH INDEXED_PATH\n");
    return 2;
  }
  struct stat status;
  if (stat(argv[2], &status) != 0) {
    std::perror(argv[2]);
    return 1;
  }
  double megabytes = static_cast<double>(status.st_size) / 1e6;

  rusage before;
  getrusage(RUSAGE_SELF, &before);
  auto start = std::chrono::steady_clock::now();
  long long count = 0;
  std::string error;
  // Kept to the end, so that the memory after the load is the index's.
  std::unique_ptr<lumra::ja::UnidicReadingIndex> ja_index;
  std::unique_ptr<lumra::zh::ZhReadingIndex> zh_index;
  if (mode == "ja-libyaml" || mode == "zh-libyaml") {
    std::ifstream file(argv[2], std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (mode == "ja-libyaml") {
      auto index = lumra::ja::parse_yaml_payload(text, lumra::payload::YamlReading::kLibyamlOnly);
      if (index.ok()) {
        ja_index = std::move(index).value();
        count = ja_index->entry_count();
      } else {
        error = lumra::ja::message(index.error());
      }
    } else {
      auto index = lumra::zh::parse_zh_yaml_payload(text, lumra::payload::YamlReading::kLibyamlOnly);
      if (index.ok()) {
        zh_index = std::move(index).value();
        count = zh_index->entry_count();
      } else {
        error = lumra::zh::message(index.error());
      }
    }
  } else if (mode == "ja" || mode == "ja-binary") {
    auto index = mode == "ja" ? lumra::ja::load_yaml_payload(argv[2])
                              : lumra::ja::load_binary_payload(argv[2]);
    if (index.ok()) {
      ja_index = std::move(index).value();
      count = ja_index->entry_count();
    } else {
      error = lumra::ja::message(index.error());
    }
  } else if (mode == "zh") {
    auto index = lumra::zh::load_zh_yaml_payload(argv[2]);
    if (index.ok()) {
      zh_index = std::move(index).value();
      count = zh_index->entry_count();
    } else {
      error = lumra::zh::message(index.error());
    }
  } else if (mode == "ja-indexed") {
    auto index = lumra::artifacts::load_indexed_payload(argv[2]);
    if (index.ok()) {
      ja_index = std::move(index).value();
      count = ja_index->entry_count();
    } else {
      error = lumra::ja::message(index.error());
    }
  } else if (mode == "zh-indexed") {
    auto index = lumra::artifacts::load_zh_indexed_payload(argv[2]);
    if (index.ok()) {
      zh_index = std::move(index).value();
      count = zh_index->entry_count();
    } else {
      error = lumra::zh::message(index.error());
    }
  } else {
    count = pull_events(argv[2]);
    if (count < 0) error = "libyaml failed";
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!error.empty()) {
    std::fprintf(stderr, "load failed: %s\n", error.c_str());
    return 1;
  }
  rusage after;
  getrusage(RUSAGE_SELF, &after);
  double cpu = cpu_seconds(after) - cpu_seconds(before);
  double peak_megabytes = static_cast<double>(after.ru_maxrss) * 1024 / 1e6;
  std::printf("%-10s %9lld %s, %6.1f MB file: %5.2f s (%5.1f MB/s), cpu %5.2f s (%5.1f MB/s), "
              "peak memory %6.1f MB = %.2f x file, %6.1f MB after\n",
              mode.c_str(), count, mode == "events" ? "events " : "entries", megabytes, seconds,
              megabytes / seconds, cpu, megabytes / cpu, peak_megabytes,
              peak_megabytes / megabytes, resident_megabytes());
  if (ja_index) {
    for (const char* algorithm : {"sha256-canonical-v1", "fnv1a64-canonical-v1"}) {
      time_checksum(algorithm, cpu, [&](const char* name) {
        return lumra::ja::canonical_payload_checksum(*ja_index, name);
      });
    }
  }
  if (zh_index) {
    time_checksum("sha256-canonical-v1", cpu, [&](const char* name) {
      return lumra::zh::zh_canonical_checksum(*zh_index, name);
    });
  }
  return 0;
}
