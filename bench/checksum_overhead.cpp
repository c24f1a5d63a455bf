// What the canonical checksum adds to a Japanese payload's load, measured
// in one process with the two loads taken in turn:
//
//   checksum_overhead FORMAT PAYLOAD_PATH [PAIRS]      # default 11 pairs
//
// Each pair runs the bare load (load_japanese_payload) and then the load as
// load_bundle takes it, with its "sha256-canonical-v1" checksum
// (load_japanese_payload_with_checksum, or a walk of the loaded index where
// the load could not take it). On a shared machine the speed of both drifts
// from one second to the next; a drift then falls on both sides of a pair
// instead of on one whole block of rounds, as in load_bundle.cpp. Prints
// every pair's processor times and, over the pairs, the least of each load
// and the median of the pairs' ratios, in processor and in wall-clock time:
// a checksum hashed on a second thread costs processor time beside the
// load, and only its wall-clock time tells what it spares.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "artifacts/load_payload.h"
#include "ja/unidic/canonical_checksum.h"

namespace {

using namespace lumra;

// Minor page faults of this process so far: a load that takes fresh memory
// from the system pays for zeroing each page it touches.
long page_faults() {
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt;
}

double cpu_now() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

double wall_now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The checksum as load_bundle takes it, or nothing on a failed load.
std::string load_with_checksum(const std::string& path, const std::string& format) {
  auto loaded = artifacts::load_japanese_payload_with_checksum(path, format, "sha256-canonical-v1");
  if (!loaded.ok()) return {};
  if (loaded.value().checksum_on_load) return *loaded.value().checksum_on_load;
  auto sum = ja::canonical_payload_checksum(*loaded.value().index, "sha256-canonical-v1");
  return sum.ok() && sum.value() ? *sum.value() : std::string();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: checksum_overhead FORMAT PAYLOAD_PATH [PAIRS]\n");
    return 2;
  }
  const std::string format = argv[1];
  const std::string path = argv[2];
  const int pairs = argc == 4 ? std::max(1, std::atoi(argv[3])) : 11;
  std::string first;
  std::vector<double> bare, checked, ratios, bare_wall, checked_wall, wall_ratios;
  for (int i = 0; i < pairs; ++i) {
    long faults = page_faults();
    double start = cpu_now();
    double wall_start = wall_now();
    if (!artifacts::load_japanese_payload(path, format).ok()) {
      std::fprintf(stderr, "%s: cannot load the payload\n", path.c_str());
      return 1;
    }
    bare.push_back(cpu_now() - start);
    bare_wall.push_back(wall_now() - wall_start);
    const long bare_faults = page_faults() - faults;
    faults = page_faults();
    start = cpu_now();
    wall_start = wall_now();
    const std::string checksum = load_with_checksum(path, format);
    checked.push_back(cpu_now() - start);
    checked_wall.push_back(wall_now() - wall_start);
    const long checked_faults = page_faults() - faults;
    if (checksum.empty() || (i > 0 && checksum != first)) {
      std::fprintf(stderr, "checksum missing or changed between loads\n");
      return 1;
    }
    first = checksum;
    ratios.push_back(checked.back() / bare.back() - 1);
    wall_ratios.push_back(checked_wall.back() / bare_wall.back() - 1);
    std::printf(
        "pair %2d: load %.3f s cpu %.3f s wall (%ld page faults), with checksum %.3f s cpu "
        "%.3f s wall (%ld): +%.0f%% cpu +%.0f%% wall\n",
        i + 1, bare.back(), bare_wall.back(), bare_faults, checked.back(), checked_wall.back(),
        checked_faults, 100 * ratios.back(), 100 * wall_ratios.back());
  }
  std::sort(ratios.begin(), ratios.end());
  std::sort(wall_ratios.begin(), wall_ratios.end());
  const double best_bare = *std::min_element(bare.begin(), bare.end());
  const double best_checked = *std::min_element(checked.begin(), checked.end());
  std::printf(
      "%s cpu: best load %.3f s, best with checksum %.3f s (+%.0f%%); median pair +%.0f%%; "
      "checksum %s\n",
      format.c_str(), best_bare, best_checked, 100 * (best_checked / best_bare - 1),
      100 * ratios[ratios.size() / 2], first.c_str());
  const double best_bare_wall = *std::min_element(bare_wall.begin(), bare_wall.end());
  const double best_checked_wall = *std::min_element(checked_wall.begin(), checked_wall.end());
  std::printf("%s wall: best load %.3f s, best with checksum %.3f s (+%.0f%%); "
              "median pair +%.0f%%\n",
              format.c_str(), best_bare_wall, best_checked_wall,
              100 * (best_checked_wall / best_bare_wall - 1),
              100 * wall_ratios[wall_ratios.size() / 2]);
  return 0;
}
