// Times the loading of one reading payload and reports the peak memory of
// the process against the file size. Run in a fresh process per payload
// (dev/bench-load does), so that the peak is the load's own.
//
//   load_payload ja|ja-binary|zh|events PATH
//
// "ja" and "zh" load a YAML payload, "ja-binary" a Japanese binary one.
// "events" only pulls libyaml's events through the file, with nothing built:
// the ceiling that a loader over libyaml can reach on that payload.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <yaml.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "ja/unidic/binary_payload.h"
#include "ja/unidic/unidic_load_error.h"
#include "ja/unidic/yaml_payload.h"
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

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc == 3 ? argv[1] : "";
  if (mode != "ja" && mode != "ja-binary" && mode != "zh" && mode != "events") {
    std::fprintf(stderr, "usage: load_payload ja|ja-binary|zh|events PATH\n");
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
  if (mode == "ja" || mode == "ja-binary") {
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
  std::printf("%-9s %9lld %s, %6.1f MB file: %5.2f s (%5.1f MB/s), cpu %5.2f s (%5.1f MB/s), "
              "peak memory %6.1f MB = %.2f x file, %6.1f MB after\n",
              mode.c_str(), count, mode == "events" ? "events " : "entries", megabytes, seconds,
              megabytes / seconds, cpu, megabytes / cpu, peak_megabytes,
              peak_megabytes / megabytes, resident_megabytes());
  return 0;
}
