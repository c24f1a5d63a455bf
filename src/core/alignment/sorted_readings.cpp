#include "core/alignment/sorted_readings.h"

#include <algorithm>

namespace lumra {

namespace {

bool shorter_first(Symbols a, Symbols b) {
  if (a.size() != b.size()) return a.size() < b.size();
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end());
}

std::uint64_t signature_of(Symbols reading) {
  std::uint64_t signature = 0;
  for (const Symbol c : reading) signature |= std::uint64_t{1} << ((c * 0x9E3779B1u) >> 26);
  return signature;
}

}  // namespace

void SortedReadings::assign(const ReadingList& readings) {
  readings_.clear();
  readings_.reserve(readings.size());
  for (std::size_t i = 0; i < readings.size(); ++i) readings_.push_back({readings[i], 0});
  std::sort(readings_.begin(), readings_.end(),
            [](const Entry& a, const Entry& b) { return shorter_first(a.symbols, b.symbols); });
  const auto repeats =
      std::unique(readings_.begin(), readings_.end(),
                  [](const Entry& a, const Entry& b) { return std::ranges::equal(a.symbols, b.symbols); });
  readings_.erase(repeats, readings_.end());
  for (Entry& entry : readings_) entry.signature = signature_of(entry.symbols);
}

std::pair<std::size_t, std::size_t> SortedReadings::lengths_between(
    std::uint64_t min_length, std::uint64_t max_length) const {
  const auto first = std::partition_point(readings_.begin(), readings_.end(), [&](const Entry& e) {
    return e.symbols.size() < min_length;
  });
  const auto last = std::partition_point(
      first, readings_.end(), [&](const Entry& e) { return e.symbols.size() <= max_length; });
  return {static_cast<std::size_t>(first - readings_.begin()),
          static_cast<std::size_t>(last - readings_.begin())};
}

bool SortedReadings::contains(Symbols reading) const {
  const auto at = std::partition_point(readings_.begin(), readings_.end(), [&](const Entry& e) {
    return shorter_first(e.symbols, reading);
  });
  return at != readings_.end() && std::ranges::equal(at->symbols, reading);
}

}  // namespace lumra
