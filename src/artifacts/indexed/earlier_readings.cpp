#include "artifacts/indexed/earlier_readings.h"

#include <bit>
#include <functional>

namespace lumra::artifacts {

namespace {

constexpr std::size_t kPairwiseReadings = 8;

}  // namespace

void EarlierReadings::reset(std::span<const std::string_view> readings) {
  readings_ = readings;
  if (readings.size() > kPairwiseReadings) slots_.assign(std::bit_ceil(readings.size() * 2), 0);
}

bool EarlierReadings::repeats_earlier(std::size_t i) {
  const std::string_view reading = readings_[i];
  if (readings_.size() <= kPairwiseReadings) {
    for (std::size_t earlier = 0; earlier < i; ++earlier) {
      if (readings_[earlier] == reading) return true;
    }
    return false;
  }
  const std::size_t mask = slots_.size() - 1;
  std::size_t slot = std::hash<std::string_view>{}(reading) & mask;
  for (; slots_[slot] != 0; slot = (slot + 1) & mask) {
    if (readings_[slots_[slot] - 1] == reading) return true;
  }
  slots_[slot] = static_cast<std::uint32_t>(i + 1);
  return false;
}

}  // namespace lumra::artifacts
