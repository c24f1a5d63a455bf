// Finds, reading by reading, whether a reading repeats an earlier one of
// the same record.
//
// A record holds up to 256 readings. Short lists compare each reading with
// the ones before it; longer ones go through a small hash table, so that a
// hostile record of 256 readings costs linear time, not quadratic. Nearly
// every record is short, and a load asks about each of its readings, so the
// short case is inline.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace lumra::artifacts {

class EarlierReadings {
 public:
  // Starts over with the readings of one record.
  void reset(std::span<const std::string_view> readings) {
    readings_ = readings;
    if (readings.size() > kPairwiseReadings) clear_table();
  }

  // Whether readings[i] equals one of readings[0..i). Must be called for
  // i = 0, 1, 2, ... in turn.
  bool repeats_earlier(std::size_t i) {
    if (readings_.size() > kPairwiseReadings) return repeats_earlier_in_table(i);
    const std::string_view reading = readings_[i];
    for (std::size_t earlier = 0; earlier < i; ++earlier) {
      if (readings_[earlier] == reading) return true;
    }
    return false;
  }

 private:
  static constexpr std::size_t kPairwiseReadings = 8;

  void clear_table();
  bool repeats_earlier_in_table(std::size_t i);

  std::span<const std::string_view> readings_;
  std::vector<std::uint32_t> slots_;  // reading index + 1; 0 when empty
};

}  // namespace lumra::artifacts
