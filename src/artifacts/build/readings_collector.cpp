#include "artifacts/build/readings_collector.h"

#include <algorithm>

namespace lumra::artifacts::build {

void ReadingsCollector::add(std::string_view surface, std::string_view reading,
                            std::int64_t rank) {
  auto [slot, inserted] = readings_.try_emplace(std::string(surface));
  std::vector<Candidate>& candidates = slot->second;
  // Surfaces have a handful of readings, so a scan beats a set.
  for (Candidate& candidate : candidates) {
    if (candidate.reading == reading) {
      candidate.rank = std::min(candidate.rank, rank);
      return;
    }
  }
  candidates.push_back(Candidate{std::string(reading), rank, arrivals_++});
}

CollectedEntries ReadingsCollector::finish(std::uint64_t max_readings) {
  CollectedEntries out;
  out.entries.reserve(readings_.size());
  for (auto& [surface, candidates] : readings_) {
    std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
      return a.rank != b.rank ? a.rank < b.rank : a.arrival < b.arrival;
    });
    if (candidates.size() > max_readings) {
      candidates.resize(max_readings);
      ++out.surfaces_capped;
    }
    CollectedEntry entry{surface, {}};
    entry.readings.reserve(candidates.size());
    for (Candidate& candidate : candidates) entry.readings.push_back(std::move(candidate.reading));
    out.entries.push_back(std::move(entry));
  }
  readings_.clear();
  std::sort(out.entries.begin(), out.entries.end(),
            [](const CollectedEntry& a, const CollectedEntry& b) { return a.surface < b.surface; });
  return out;
}

}  // namespace lumra::artifacts::build
