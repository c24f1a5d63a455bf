// Levenshtein distances between one query and the candidate spans of a
// partial alignment.
//
// Spans come by start and, for each start, by growing length, so each span
// but the first of a start extends the one before by a symbol. One dynamic
// programme over the text from the start then serves all of them: the
// extra symbol adds one column, and the column's last cell is the distance
// of the query to the span ending there. Scoring a start's L spans so
// costs L columns instead of L separate comparisons of up to L columns.
//
// The column is kept as bit vectors of vertical differences over the query
// (Myers' bit-parallel recurrence, in Hyyrö's formulation for the edit
// distance of whole strings), one 64-bit word per 64 query symbols, so a
// column costs ceil(m / 64) word steps for a query of m symbols. The last
// row's value, the distance, is followed from the horizontal differences
// leaving the last row.
#pragma once

#include <cstdint>
#include <vector>

#include "core/alignment/span_enumeration.h"
#include "core/base/symbols.h"
#include "core/strings/internal/pattern_match.h"

namespace lumra {

class SpanDistances {
 public:
  // `query` and `text` must outlive the object, which allocates the
  // query's masks and column.
  SpanDistances(Symbols query, Symbols text);
  SpanDistances(const SpanDistances&) = delete;
  SpanDistances& operator=(const SpanDistances&) = delete;

  // Starts over at `start` (at most the text's length) with the empty span.
  void restart(std::uint64_t start);
  // Extends the span by the text symbol at end(); end() < the text's length.
  void extend();
  std::uint64_t start() const { return start_; }
  std::uint64_t end() const { return end_; }
  // The distance of the query to text[start(), end()).
  std::uint64_t distance() const { return distance_; }

  // The distance of the query to `span`, a span of the text: incremental
  // when `span` has the current start and ends no earlier; otherwise the
  // programme starts again from the span's start.
  std::uint64_t distance(const TextSpan& span);

 private:
  void extend_word(Symbol next);
  void extend_words(Symbol next);

  Symbols query_;
  Symbols text_;
  bool started_ = false;
  std::uint64_t start_ = 0;
  std::uint64_t end_ = 0;
  std::uint64_t distance_ = 0;

  // The column: bit i of word w stands for query row 64 w + i + 1; positive
  // and negative vertical differences, interleaved by word.
  std::size_t words_;
  std::uint64_t last_row_ = 0;  // the bit of the last row in the last word
  internal::PatternMatchWord word_masks_;     // a query of 1..64 symbols
  internal::PatternMatchBlocks block_masks_;  // a longer one
  std::uint64_t positive_ = 0;
  std::uint64_t negative_ = 0;
  std::vector<std::uint64_t> differences_;  // vp, vn of each word, longer queries
};

}  // namespace lumra
