#include "core/alignment/reading_alignment.h"

#include <algorithm>
#include <cstddef>
#include <limits>

namespace lumra {

namespace {

// Enough for every span of a long page at the usual windows; beyond it the
// set starts afresh rather than grow with the text.
constexpr std::size_t kMaxSeenSpanTexts = std::size_t{1} << 16;

std::uint64_t saturating_add(std::uint64_t a, std::uint64_t b) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  return a > kMax - b ? kMax : a + b;
}

}  // namespace

std::uint64_t reading_alignment_window(std::uint64_t max_span_chars, std::uint64_t query_length,
                                       std::uint64_t longest_query_reading) {
  if (max_span_chars != 0) return max_span_chars;
  const std::uint64_t from_query =
      query_length == 0 ? 0
                        : std::max(saturating_add(query_length, query_length),
                                   saturating_add(query_length, 4));
  return std::max(from_query, longest_query_reading);
}

namespace reading_alignment_detail {

bool SeenSpanTexts::insert(std::string_view text) {
  if (seen_.size() >= kMaxSeenSpanTexts) seen_.clear();
  return seen_.insert(text).second;
}

}  // namespace reading_alignment_detail

}  // namespace lumra
