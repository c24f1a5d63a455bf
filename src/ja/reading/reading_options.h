// ReadingOptions: how far a query searches for the readings of a text.
//
// Shared by the Japanese and Chinese readings and by the dictionaries that
// resolve them per call, so this header carries nothing else.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace lumra::ja {

struct ReadingOptions {
  // When set, only this many readings of each dictionary match are used, in
  // stored order; when absent, all of them.
  std::optional<std::uint64_t> max_readings_per_segment;
  // The longest surface, in characters, tried at each text position.
  std::uint64_t max_span_chars = 8;
  // The most distinct reading texts kept for each text position.
  std::uint64_t max_paths = 1024;
  // Keep only the longest dictionary match at each position.
  bool longest_only = false;
};

// Inclusive upper limits of the options.
struct ReadingOptionLimits {
  static constexpr std::uint64_t kMaxReadingsPerSegment = 256;
  static constexpr std::uint64_t kMaxSpanChars = 256;
  static constexpr std::uint64_t kMaxPaths = 16384;
};

// How many of a match's `count` readings the options let a query use.
inline std::size_t readings_used(const ReadingOptions& options, std::size_t count) {
  if (!options.max_readings_per_segment) return count;
  return static_cast<std::size_t>(
      std::min<std::uint64_t>(*options.max_readings_per_segment, count));
}

}  // namespace lumra::ja
