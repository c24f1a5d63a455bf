// Times load_bundle on a large payload, split into its parts, for one
// language and payload format:
//
//   load_bundle ja|zh FORMAT PAYLOAD_PATH [ROUNDS]
//
// Writes PAYLOAD_PATH.metadata.yaml beside the payload (so that the bundle
// directory is the payload's), with the file digest and the canonical
// checksum of the payload as loaded (a walk of the loaded index), then times,
// each the best of ROUNDS (default 5): the file digest alone, the bare
// payload load, the load with its checksum as load_bundle takes it, and the
// whole load_bundle. The checksum's cost is the load with it less the bare
// load: an indexed payload takes it during the load's own check of the
// entries, the other forms by a walk of the loaded index. The rest of the
// whole load, past digest, load and checksum, is the metadata and content
// checks.
// Last, the bytes one whole load reads (/proc/self/io), against the
// payload's size: the digest and the load read it once each.
// Each part is reported in wall-clock and in processor seconds: the digest
// reads the file, from the page cache after the first round. A third clock,
// the processor time of the calling thread alone, leaves out the checksum's
// hash on its own thread: on a machine whose other processors are busy with
// other work, it is what the wall-clock time would be with one to spare.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <optional>
#include <string>

#include <sys/stat.h>

#include "artifacts/bundle/file_digest.h"
#include "artifacts/bundle/load_unidic_bundle.h"
#include "artifacts/bundle/load_zh_bundle.h"
#include "artifacts/load_payload.h"
#include "ja/unidic/canonical_checksum.h"
#include "ja/unidic/payload.h"
#include "zh/index/canonical_checksum.h"
#include "zh/index/pinyin_view.h"

namespace {

using namespace lumra;

double now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Seconds of processor time this process has used: on a machine shared
// with other work, wall-clock time also counts the waits for a processor.
double cpu_now() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

double thread_cpu_now() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// The fastest of `rounds` runs: wall-clock, processor and calling-thread
// seconds, each the least of the runs.
struct Timing {
  double wall = 1e300;
  double cpu = 1e300;
  double thread = 1e300;
};

// Runs `run` (which returns false on failure) `rounds` times.
template <class Run>
Timing best_of(int rounds, Run run) {
  Timing best;
  for (int i = 0; i < rounds; ++i) {
    const double start = now();
    const double cpu_start = cpu_now();
    const double thread_start = thread_cpu_now();
    if (!run()) {
      std::fprintf(stderr, "a timed step failed\n");
      std::exit(1);
    }
    best.cpu = std::min(best.cpu, cpu_now() - cpu_start);
    best.thread = std::min(best.thread, thread_cpu_now() - thread_start);
    best.wall = std::min(best.wall, now() - start);
  }
  return best;
}

// Bytes this process has read through read() and its kin so far, from
// /proc/self/io (Linux); nothing where that file is missing.
std::optional<std::uint64_t> bytes_read() {
  std::ifstream io("/proc/self/io");
  std::string key;
  std::uint64_t value = 0;
  while (io >> key >> value) {
    if (key == "rchar:") return value;
  }
  return std::nullopt;
}

std::string base_name(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void write_metadata(const std::string& language, const std::string& format,
                    const std::string& payload_path, const std::string& digest,
                    const std::string& checksum, std::uint64_t entries,
                    const std::string& view) {
  const bool ja = language == "ja";
  std::ofstream out(payload_path + ".metadata.yaml");
  out << "schema_version: 1\n"
      << "artifact_type: " << (ja ? "lumra.unidic.reading-index" : "lumra.zh.reading-index")
      << "\nartifact_name: bench\ngenerator: bench\n"
      << "payload:\n  path: " << base_name(payload_path) << "\n  format: " << format
      << "\n  file_digest_algorithm: sha256-file-v1\n  file_digest: " << digest
      << "\n  checksum_algorithm: sha256-canonical-v1\n  checksum: " << checksum << "\n"
      << "source:\n  name: bench\n  version: '1'\n  " << (ja ? "lex_csv" : "cedict")
      << ": bench\n"
      << "build:\n  entries: " << entries << "\n"
      << (ja ? "  reading_field: kana\n  exclude_ascii_surfaces: true\n"
               "  exclude_symbol_pos: true\n"
             : "  pinyin_view: " + view + "\n")
      << "query_defaults:\n  max_span_chars: 8\n  max_paths: 1024\n"
      << "  longest_match_only: false\n"
      << "license:\n  selected_license: bench\n  references: []\n";
}

template <class Load, class Checksum, class LoadWithChecksum, class LoadBundle>
int run(const std::string& language, const std::string& format, const std::string& path,
        int rounds, Load load_payload, Checksum checksum_of, LoadWithChecksum load_with_checksum,
        LoadBundle load_bundle) {
  constexpr std::uint64_t kMaxBytes = ja::UnidicArtifactLimits::kPayloadBytes;
  auto file_digest = artifacts::sha256_file_hex(path, kMaxBytes);
  auto index = load_payload();
  if (!file_digest.ok() || !index.ok()) {
    std::fprintf(stderr, "%s: cannot read the payload\n", path.c_str());
    return 1;
  }
  auto checksum = checksum_of(*index.value());
  std::string view;
  if constexpr (requires { index.value()->view(); }) {
    view = std::string(zh::canonical_name(index.value()->view()));
  }
  write_metadata(language, format, path, file_digest.value(), checksum, index.value()->entry_count(),
                 view);
  index.value().reset();

  const Timing digest =
      best_of(rounds, [&] { return artifacts::sha256_file_hex(path, kMaxBytes).ok(); });
  auto loaded = std::move(index).value();  // emptied above: the previous load is freed first
  const Timing load = best_of(rounds, [&] {
    loaded.reset();
    auto again = load_payload();
    if (!again.ok()) return false;
    loaded = std::move(again).value();
    return true;
  });
  loaded.reset();
  const Timing with_checksum =
      best_of(rounds, [&] { return load_with_checksum() == checksum; });
  const Timing whole = best_of(rounds, [&] { return load_bundle(path + ".metadata.yaml"); });
  // The parts, from one clock: the checksum is the load with it less the
  // bare load, the checks whatever the whole has beyond its parts.
  const auto report = [&](const char* clock, double Timing::*of) {
    const double checksum_s = std::max(0.0, with_checksum.*of - load.*of);
    const double checks_s =
        std::max(0.0, whole.*of - digest.*of - load.*of - checksum_s);
    std::printf(
        "%s %-7s %-4s load_bundle %.2f s = digest %.2f + payload load %.2f + checksum %.2f + "
        "checks %.2f; checksum and checks add %.0f%% to the load, with the digest %.0f%%\n",
        language.c_str(), format.c_str(), clock, whole.*of, digest.*of, load.*of, checksum_s,
        checks_s, 100 * (checksum_s + checks_s) / load.*of,
        100 * (digest.*of + checksum_s + checks_s) / load.*of);
  };
  report("wall", &Timing::wall);
  report("cpu", &Timing::cpu);
  report("thrd", &Timing::thread);
  // The whole load should read the payload at most twice: once for its
  // digest and once to load it (plus the small metadata file).
  const std::optional<std::uint64_t> before = bytes_read();
  if (!load_bundle(path + ".metadata.yaml")) return 1;
  const std::optional<std::uint64_t> after = bytes_read();
  if (before && after) {
    struct stat file;
    const double size = ::stat(path.c_str(), &file) == 0 ? static_cast<double>(file.st_size) : 0;
    std::printf("%s %-7s read %.0f bytes, %.3f times the payload's size\n", language.c_str(),
                format.c_str(), static_cast<double>(*after - *before),
                size > 0 ? static_cast<double>(*after - *before) / size : 0.0);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: load_bundle ja|zh FORMAT PAYLOAD_PATH [ROUNDS]\n");
    return 2;
  }
  const std::string language = argv[1];
  const std::string format = argv[2];
  const std::string path = argv[3];
  const int rounds = argc == 5 ? std::max(1, std::atoi(argv[4])) : 5;
  if (language == "ja") {
    return run(
        language, format, path, rounds,
        [&] { return artifacts::load_japanese_payload(path, format); },
        [](const ja::UnidicReadingIndex& index) {
          auto sum = ja::canonical_payload_checksum(index, "sha256-canonical-v1");
          return sum.ok() && sum.value() ? *sum.value() : std::string();
        },
        [&] {
          auto loaded =
              artifacts::load_japanese_payload_with_checksum(path, format, "sha256-canonical-v1");
          if (!loaded.ok()) return std::string();
          if (loaded.value().checksum_on_load) return *loaded.value().checksum_on_load;
          auto sum =
              ja::canonical_payload_checksum(*loaded.value().index, "sha256-canonical-v1");
          return sum.ok() && sum.value() ? *sum.value() : std::string();
        },
        [](const std::string& metadata) {
          return artifacts::load_unidic_bundle(metadata, std::nullopt).ok();
        });
  }
  return run(
      language, format, path, rounds,
      [&] { return artifacts::load_chinese_payload(path, format); },
      [](const zh::ZhReadingIndex& index) {
        auto sum = zh::zh_canonical_checksum(index, "sha256-canonical-v1");
        return sum.ok() && sum.value() ? *sum.value() : std::string();
      },
      [&] {
        auto loaded =
            artifacts::load_chinese_payload_with_checksum(path, format, "sha256-canonical-v1");
        if (!loaded.ok()) return std::string();
        if (loaded.value().checksum_on_load) return *loaded.value().checksum_on_load;
        auto sum = zh::zh_canonical_checksum(*loaded.value().index, "sha256-canonical-v1");
        return sum.ok() && sum.value() ? *sum.value() : std::string();
      },
      [](const std::string& metadata) {
        return artifacts::load_zh_bundle(metadata, std::nullopt).ok();
      });
}
