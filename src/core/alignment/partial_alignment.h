// Partial alignment: where a short query fits best inside a longer text.
//
// One search scores the query against every candidate span of the text
// (span_enumeration.h) and keeps the best. What a span's score is comes
// from a pluggable scorer, so plain strings (below) and the dictionaries,
// which compare readings, share the search and its tie-breaks. The form
// decides what "better" means and which scores take part:
//   - DistanceForm: integer scores, smaller is better; with cutoff k the
//     scorer is expected to report a distance above k as k + 1, and such a
//     span is rejected.
//   - RatioForm: similarities in [0, 1], larger is better; a span scoring
//     0.0 is never aligned, and with a cutoff c (which must lie in [0, 1],
//     checked when the first score is in hand) a score below c is rejected.
// Among accepted spans the better score wins, then the shorter span, then
// the earlier one. A search stopped by the thread's interruption source
// (interruption.h) fails with Interrupted, as a CoreError; so `Error` must
// be constructible from a CoreError.
#pragma once

#include <cstdint>
#include <optional>
#include <type_traits>
#include <utility>

#include "core/base/cutoff.h"
#include "core/base/errors.h"
#include "core/base/interruption.h"
#include "core/base/result.h"
#include "core/alignment/span_enumeration.h"
#include "core/base/symbols.h"

namespace lumra {

// The whole query is always aligned, so the query positions are 0 and its
// length; the span positions are symbol indices into the text.
template <class Score>
struct Alignment {
  Score score;
  std::uint64_t query_start;
  std::uint64_t query_end;
  std::uint64_t span_start;
  std::uint64_t span_end;
  bool operator==(const Alignment&) const = default;
};

struct DistanceForm {
  using Score = std::uint64_t;
  std::optional<std::uint64_t> cutoff;

  static bool better(Score candidate, Score best) { return candidate < best; }

  // Whether a span with this score takes part.
  bool accepts(Score score) const { return !cutoff || score <= *cutoff; }

  // The score if the span takes part, nothing if it is rejected. Never fails.
  template <class Error>
  Result<std::optional<Score>, Error> admit(Score score) const {
    if (!accepts(score)) return std::optional<Score>();
    return std::optional<Score>(score);
  }
};

struct RatioForm {
  using Score = double;
  std::optional<double> cutoff;

  static bool better(Score candidate, Score best) { return candidate > best; }

  // Whether a span with this score takes part, the cutoff being in range.
  bool accepts(Score score) const { return score > 0.0 && !(cutoff && score < *cutoff); }

  // Fails when the cutoff lies outside [0, 1]; `Error` must be constructible
  // from CutoffOutOfRange.
  template <class Error>
  Result<std::optional<Score>, Error> admit(Score score) const {
    if (cutoff && !fractional_cutoff_in_range(*cutoff)) return Fail(Error(CutoffOutOfRange{}));
    if (!accepts(score)) return std::optional<Score>();
    return std::optional<Score>(score);
  }
};

namespace alignment_detail {

template <class R>
struct ResultParts;
template <class T, class E>
struct ResultParts<Result<T, E>> {
  using Value = T;
  using Error = E;
};

// A scorer that also wants the best alignment so far, to leave alone the
// spans that cannot beat it.
template <class Scorer, class Score>
concept BestAwareSpanScorer =
    std::is_invocable_v<Scorer&, const TextSpan&, const std::optional<Alignment<Score>>&>;

template <class Scorer, class Score>
struct SpanScorerOutcome {
  using Type = std::invoke_result_t<Scorer&, const TextSpan&>;
};
template <class Scorer, class Score>
  requires BestAwareSpanScorer<Scorer, Score>
struct SpanScorerOutcome<Scorer, Score> {
  using Type =
      std::invoke_result_t<Scorer&, const TextSpan&, const std::optional<Alignment<Score>>&>;
};

}  // namespace alignment_detail

// Scores every candidate span of `text` with `scorer` and returns the best
// alignment, or nothing when no span was accepted. The scorer is called as
// scorer(const TextSpan&) in enumeration order and returns
// Result<std::optional<Form::Score>, Error>: a score, nothing to skip the
// span, or an error that ends the whole search at once.
//
// A scorer may instead take (const TextSpan&, const std::optional<
// Alignment<Score>>& best) and skip a span that it knows cannot beat
// `best`: one whose score would be worse, or equal for a span that is not
// shorter (a later span never wins on its start).
template <class Form, class Scorer>
auto partial_alignment(Symbols query, Symbols text, std::uint64_t span_limit, const Form& form,
                       Scorer&& scorer)
    -> Result<std::optional<Alignment<typename Form::Score>>,
              typename alignment_detail::ResultParts<typename alignment_detail::SpanScorerOutcome<
                  std::remove_reference_t<Scorer>, typename Form::Score>::Type>::Error> {
  using Score = typename Form::Score;
  using Outcome = typename alignment_detail::SpanScorerOutcome<std::remove_reference_t<Scorer>,
                                                               Score>::Type;
  using Error = typename alignment_detail::ResultParts<Outcome>::Error;
  static_assert(std::is_same_v<typename alignment_detail::ResultParts<Outcome>::Value,
                               std::optional<Score>>,
                "a span scorer returns Result<std::optional<Score>, Error>");

  const std::uint64_t query_length = query.size();
  std::optional<Alignment<Score>> best;
  InterruptionPoll poll;
  SpanEnumeration spans = enumerate_spans(text, span_limit, query.empty());
  while (std::optional<TextSpan> span = spans.next()) {
    // A span costs about a table of the query by the span.
    if (poll.stop_after((query_length + 1) * (span->end - span->start + 1))) {
      return Fail(Error(CoreError(Interrupted{})));
    }
    Outcome scored = [&] {
      if constexpr (alignment_detail::BestAwareSpanScorer<std::remove_reference_t<Scorer>, Score>) {
        return scorer(*span, std::as_const(best));
      } else {
        return scorer(*span);
      }
    }();
    if (!scored) return Fail(scored.take_error());
    if (!scored.value()) continue;
    auto admitted = form.template admit<Error>(*scored.value());
    if (!admitted) return Fail(admitted.take_error());
    if (!admitted.value()) continue;

    const Score score = *admitted.value();
    const std::uint64_t length = span->end - span->start;
    bool wins = !best || Form::better(score, best->score);
    if (!wins && score == best->score) {
      const std::uint64_t best_length = best->span_end - best->span_start;
      wins = length < best_length || (length == best_length && span->start < best->span_start);
    }
    if (wins) best = Alignment<Score>{score, 0, query_length, span->start, span->end};
  }
  return best;
}

// The plain-string alignments: spans are compared with the query as they
// are written.

// Scores each span by the lattice distance between the chain lattices of
// the query and the span, which is their Levenshtein distance; with cutoff
// k a distance above k is reported as k + 1 and the span rejected. The
// lattice state limit applies: a span with (query length + 1) * (span
// length + 1) above it ends the search with DistanceMatrixTooLarge.
Result<std::optional<Alignment<std::uint64_t>>, CoreError> partial_distance_alignment(
    Symbols query, Symbols text, std::uint64_t max_span_chars,
    std::optional<std::uint64_t> cutoff);

// Scores each span by its string similarity to the query; no state limit.
Result<std::optional<Alignment<double>>, CoreError> partial_ratio_alignment(
    Symbols query, Symbols text, std::uint64_t max_span_chars, std::optional<double> cutoff);

}  // namespace lumra
