// Times the loading of one YAML reading payload and reports the peak memory
// of the process against the file size. Run in a fresh process per payload
// (dev/bench-load does), so that the peak is the load's own.
//
//   load_payload ja|zh PATH
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "ja/unidic/unidic_load_error.h"
#include "ja/unidic/yaml_payload.h"
#include "zh/index/yaml_payload.h"
#include "zh/index/zh_load_error.h"

int main(int argc, char** argv) {
  if (argc != 3 || (std::strcmp(argv[1], "ja") != 0 && std::strcmp(argv[1], "zh") != 0)) {
    std::fprintf(stderr, "usage: load_payload ja|zh PATH\n");
    return 2;
  }
  bool japanese = std::strcmp(argv[1], "ja") == 0;
  struct stat status;
  if (stat(argv[2], &status) != 0) {
    std::perror(argv[2]);
    return 1;
  }
  double megabytes = static_cast<double>(status.st_size) / 1e6;

  auto start = std::chrono::steady_clock::now();
  std::uint64_t entries = 0;
  std::string error;
  if (japanese) {
    auto index = lumra::ja::load_yaml_payload(argv[2]);
    if (index.ok()) entries = index.value()->entry_count();
    else error = lumra::ja::message(index.error());
  } else {
    auto index = lumra::zh::load_zh_yaml_payload(argv[2]);
    if (index.ok()) entries = index.value()->entry_count();
    else error = lumra::zh::message(index.error());
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!error.empty()) {
    std::fprintf(stderr, "load failed: %s\n", error.c_str());
    return 1;
  }

  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  double peak_megabytes = static_cast<double>(usage.ru_maxrss) * 1024 / 1e6;
  std::printf("%s payload: %llu entries, %.1f MB file\n", argv[1],
              static_cast<unsigned long long>(entries), megabytes);
  std::printf("  load %.2f s, %.1f MB/s\n", seconds, megabytes / seconds);
  std::printf("  peak memory %.1f MB, %.2f x the file size\n", peak_megabytes,
              peak_megabytes / megabytes);
  return 0;
}
