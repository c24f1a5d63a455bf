// Gathers (surface, reading) pairs from a dictionary source and orders each
// surface's readings by preference.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace lumra::artifacts::build {

struct CollectedEntry {
  std::string surface;
  std::vector<std::string> readings;  // most preferred first, no repeats
};

// What finish() did besides ordering: how many surfaces lost readings to
// the cap.
struct CollectedEntries {
  std::vector<CollectedEntry> entries;  // by surface, ascending byte order
  std::uint64_t surfaces_capped = 0;
};

class ReadingsCollector {
 public:
  // `rank` orders the readings of one surface, lower first (the UniDic cost;
  // the position in the source for CEDICT). A reading seen again keeps its
  // best rank; equal ranks keep the order in which they arrived.
  void add(std::string_view surface, std::string_view reading, std::int64_t rank);

  std::uint64_t surface_count() const { return readings_.size(); }

  // The entries, each surface's readings ordered and cut to `max_readings`.
  // Leaves the collector empty.
  CollectedEntries finish(std::uint64_t max_readings);

 private:
  struct Candidate {
    std::string reading;
    std::int64_t rank;
    std::uint64_t arrival;
  };
  std::unordered_map<std::string, std::vector<Candidate>> readings_;
  std::uint64_t arrivals_ = 0;
};

}  // namespace lumra::artifacts::build
