// Finds, reading by reading, whether a reading repeats an earlier one of
// the same record.
//
// A record holds up to 256 readings. Short lists compare each reading with
// the ones before it; longer ones go through a small hash table, so that a
// hostile record of 256 readings costs linear time, not quadratic.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace lumra::artifacts {

class EarlierReadings {
 public:
  // Starts over with the readings of one record.
  void reset(std::span<const std::string_view> readings);

  // Whether readings[i] equals one of readings[0..i). Must be called for
  // i = 0, 1, 2, ... in turn.
  bool repeats_earlier(std::size_t i);

 private:
  std::span<const std::string_view> readings_;
  std::vector<std::uint32_t> slots_;  // reading index + 1; 0 when empty
};

}  // namespace lumra::artifacts
