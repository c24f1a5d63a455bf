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
// Before a span is converted at all, the search asks whether an outlook
// (span_outlook.h) might spare it: when the span is beyond reach (no score
// could beat the best so far), or, for the distance form, when it is long
// enough that its readings may all be too long to come near the query's.
// A span whose outlook shows that it cannot win and that scoring it could
// not fail either is left out unconverted.
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

  // Whether the outlook of a span of `span_length` symbols might spare it:
  // it cannot beat `best` whatever its distance, or, when the outlook
  // tells the shortest reading (`lengths_told`), the span has more symbols
  // than the query's longest reading and the distance it may have (a hint:
  // most characters read as one romaji or pinyin symbol or more).
  bool worth_an_outlook(std::uint64_t span_length,
                        const std::optional<Alignment<std::uint64_t>>& best,
                        bool lengths_told) const;
  // Whether a span with `outlook` can be left out unconverted: it cannot
  // be kept and beat `best` (no readings, or readings all longer than the
  // query's by more than the distance it may have), and score() could not
  // fail on it (no readings, or a chain lattice certain to fit the state
  // limit beside the query's).
  bool passes_over(const SpanOutlook& outlook, std::uint64_t span_length,
                   const std::optional<Alignment<std::uint64_t>>& best) const;

 private:
  // The largest distance with which a span of `span_length` symbols is
  // kept and beats `best`, nothing when no distance does.
  std::optional<std::uint64_t> wanted(std::uint64_t span_length,
                                      const std::optional<Alignment<std::uint64_t>>& best) const;

  std::uint64_t longest_query_;  // set before the query moves into pairs_
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
  // similarity: `best` is 1.0 and not longer. Only such spans are worth an
  // outlook.
  static bool beyond_reach(std::uint64_t span_length,
                           const std::optional<Alignment<double>>& best);
  bool worth_an_outlook(std::uint64_t span_length, const std::optional<Alignment<double>>& best,
                        bool /*lengths_told*/) const {
    return beyond_reach(span_length, best);
  }
  // Whether a span beyond reach with `outlook` could not fail score(): its
  // conversion is certain and the cutoff in range.
  bool passes_over(const SpanOutlook& outlook, std::uint64_t span_length,
                   const std::optional<Alignment<double>>& best) const;

 private:
  BestReadingPairs pairs_;
  std::optional<double> cutoff_;
};

}  // namespace lumra
