// The candidate spans of a partial alignment.
//
// Positions are symbol indices: a text of n symbols has positions 0 .. n,
// and the span [start, end) covers symbols start .. end - 1. Spans come by
// increasing start and, for each start, by increasing length from 1 up to
// the limit, never past the end of the text. When there is nothing to
// align (an empty query, a limit of 0 or an empty text) the only candidate
// is the empty span at 0, so every alignment scores at least one span.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>

#include "core/base/symbols.h"

namespace lumra {

struct TextSpan {
  Symbols symbols;  // the span's part of the text
  std::uint64_t start;
  std::uint64_t end;
};

class SpanEnumeration {
 public:
  SpanEnumeration(Symbols text, std::uint64_t limit, bool query_is_empty)
      : text_(text), limit_(limit), only_empty_(query_is_empty || limit == 0 || text.empty()) {}

  // The next candidate, or nothing once all have been given.
  std::optional<TextSpan> next() {
    if (only_empty_) {
      if (start_ != 0) return std::nullopt;
      start_ = 1;
      return TextSpan{text_.first(0), 0, 0};
    }
    const std::uint64_t n = text_.size();
    while (start_ < n) {
      // A limit near 2^64 must reach the end of the text, not wrap around.
      const std::uint64_t reach = limit_ > std::numeric_limits<std::uint64_t>::max() - start_
                                      ? std::numeric_limits<std::uint64_t>::max()
                                      : start_ + limit_;
      if (end_ <= std::min(reach, n)) {
        const TextSpan span{text_.subspan(start_, end_ - start_), start_, end_};
        ++end_;
        return span;
      }
      ++start_;
      end_ = start_ + 1;
    }
    return std::nullopt;
  }

 private:
  Symbols text_;
  std::uint64_t limit_;
  bool only_empty_;
  std::uint64_t start_ = 0;
  std::uint64_t end_ = 1;
};

inline SpanEnumeration enumerate_spans(Symbols text, std::uint64_t limit, bool query_is_empty) {
  return SpanEnumeration(text, limit, query_is_empty);
}

}  // namespace lumra
