#include "artifacts/indexed/earlier_readings.h"

#include <bit>
#include <functional>

namespace lumra::artifacts {

void EarlierReadings::clear_table() { slots_.assign(std::bit_ceil(readings_.size() * 2), 0); }

bool EarlierReadings::repeats_earlier_in_table(std::size_t i) {
  const std::string_view reading = readings_[i];
  const std::size_t mask = slots_.size() - 1;
  std::size_t slot = std::hash<std::string_view>{}(reading) & mask;
  for (; slots_[slot] != 0; slot = (slot + 1) & mask) {
    if (readings_[slots_[slot] - 1] == reading) return true;
  }
  slots_[slot] = static_cast<std::uint32_t>(i + 1);
  return false;
}

}  // namespace lumra::artifacts
