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
// A query of 1 to 64 symbols keeps the column as two bit vectors of
// vertical differences and advances it with a few word operations per
// text symbol (Myers' bit-parallel recurrence, in Hyyrö's formulation for
// the edit distance of whole strings); an empty or longer query keeps the
// column of distances itself.
#pragma once

#include <cstdint>
#include <vector>

#include "core/strings/internal/pattern_match.h"
#include "core/alignment/span_enumeration.h"
#include "core/base/symbols.h"

namespace lumra {

class SpanDistances {
 public:
  // `query` and `text` must outlive the object. Allocates a column for the
  // query; callers bound by the lattice state limit create it only once
  // the first span has passed that limit.
  SpanDistances(Symbols query, Symbols text);

  // The Levenshtein distance of the query to `span`, a span of the text.
  // Incremental when `span` has the previous span's start and ends later;
  // otherwise the programme starts again from the span's start.
  std::uint64_t distance(const TextSpan& span);

 private:
  void restart(std::uint64_t start);
  void extend(Symbol next);

  Symbols query_;
  Symbols text_;
  bool word_;  // the bit-vector form
  bool started_ = false;
  std::uint64_t start_ = 0;
  std::uint64_t end_ = 0;
  std::uint64_t distance_ = 0;  // of the query to text_[start_, end_)

  // Bit-vector form: bit i stands for query row i + 1; positive and
  // negative vertical differences, and the bit of the last row.
  internal::PatternMatchWord masks_;
  std::uint64_t positive_ = 0;
  std::uint64_t negative_ = 0;
  std::uint64_t last_row_ = 0;

  // Column form: distances of the query's prefixes of length 0 .. q.
  std::vector<std::uint64_t> column_;
};

}  // namespace lumra
