// How a partial alignment by readings scores one span.
//
// The query and each span are lists of reading strings; a span is scored
// by its readings against the query's:
//   - distance form: the span takes part only when some pair of readings
//     has a normalized similarity above 0.0 (the best-pair similarity
//     prefilter); its score is then the lattice Levenshtein distance between
//     the chain lattices of the two lists, which is the smallest Levenshtein
//     distance over the pairs of readings. With cutoff k a span beyond k is
//     left out.
//   - ratio form: the score is the best normalized similarity over the
//     pairs of readings; the search's RatioForm applies the cutoff.
//
// A span is scored against the best alignment so far. Spans come by start,
// so a later span beats the best only with a better score, or an equal
// score and a shorter span. Each scorer works out the worst score that
// could still do so, hands it to the bounded string kernels as a bound, and
// reports nothing for a span that cannot reach it: the search ends with the
// same alignment, having skipped the work on such spans. The failures are
// never skipped: a span that passes the prefilter but whose lattices would
// exceed the state limit ends the search with DistanceMatrixTooLarge (and
// one whose reading list no chain lattice can hold, with the LatticeError),
// whatever its score; the ratio form's cutoff is checked on every span
// with readings.
//
// Before a span is converted at all, the search asks whether it is beyond
// reach (no score could beat the best so far) and, if so, whether its
// outlook (span_outlook.h) shows that scoring it could not fail either:
// such a span is left out unconverted.
//
// Finding the best pair of readings is best_reading_pairs.h's.
#pragma once

#include <cstdint>
#include <optional>

#include "core/alignment/best_reading_pairs.h"
#include "core/alignment/partial_alignment.h"
#include "core/alignment/reading_list.h"
#include "core/alignment/span_outlook.h"
#include "core/base/errors.h"
#include "core/base/result.h"

namespace lumra {

class ReadingDistanceScorer {
 public:
  // Fails as the query's chain lattice would fail to build (no reading, or
  // empty and non-empty readings mixed).
  static Result<std::uint64_t, CoreError> query_node_count(const ReadingList& query);

  // `query_nodes` is query_node_count(query).
  ReadingDistanceScorer(ReadingList query, std::uint64_t query_nodes,
                        std::optional<std::uint64_t> cutoff,
                        PairSearch search = PairSearch::kChosen);

  // The distance of a span of `span_length` symbols with readings `span`,
  // nothing when it is left out or cannot beat `best`.
  Result<std::optional<std::uint64_t>, CoreError> score(
      const ReadingList& span, std::uint64_t span_length,
      const std::optional<Alignment<std::uint64_t>>& best);

  // Whether a span of `span_length` symbols cannot beat `best` whatever its
  // distance: `best` is 0 and not longer.
  static bool beyond_reach(std::uint64_t span_length,
                           const std::optional<Alignment<std::uint64_t>>& best);
  // Whether a span with this outlook could not fail score(): it has no
  // readings, or its chain lattice certainly fits the state limit beside
  // the query's.
  bool safe_unread(const SpanOutlook& outlook) const;

 private:
  BestReadingPairs pairs_;
  std::uint64_t query_nodes_;
  std::optional<std::uint64_t> cutoff_;
};

class ReadingRatioScorer {
 public:
  ReadingRatioScorer(ReadingList query, std::optional<double> cutoff,
                     PairSearch search = PairSearch::kChosen);

  // The best-pair similarity of a span, nothing when it cannot beat `best`
  // or reach the cutoff. Fails when the cutoff lies outside [0, 1].
  Result<std::optional<double>, CoreError> score(const ReadingList& span,
                                                 std::uint64_t span_length,
                                                 const std::optional<Alignment<double>>& best);

  // Whether a span of `span_length` symbols cannot beat `best` whatever its
  // similarity: `best` is 1.0 and not longer.
  static bool beyond_reach(std::uint64_t span_length,
                           const std::optional<Alignment<double>>& best);
  // Whether a span with this outlook could not fail score(): its
  // conversion is certain and the cutoff in range.
  bool safe_unread(const SpanOutlook& outlook) const;

 private:
  BestReadingPairs pairs_;
  std::optional<double> cutoff_;
};

}  // namespace lumra
