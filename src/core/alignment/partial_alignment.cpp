#include "core/alignment/partial_alignment.h"

#include <algorithm>
#include <optional>

#include "core/alignment/span_distances.h"
#include "core/alignment/span_lanes.h"
#include "core/base/cutoff.h"
#include "core/lattice/lattice_state_limit.h"
#include "core/strings/similarity.h"

namespace lumra {

// Both plain forms score a span by the Levenshtein distance of the query to
// it, so they share one search, which gives what partial_alignment() gives
// with their scorers, span for span, but does not score the spans that
// cannot win.
//
// The best span is the least one in the order of the tie-breaks (better
// score, then shorter, then earlier), so it does not depend on the order in
// which spans are looked at. A span of length l is at least |m - l| away
// from a query of m symbols, so the best score it can have is that of the
// distance |m - l| (both forms' scores are monotone in the distance). A
// span whose best possible score is rejected by the form, or would not come
// before the best span so far even if reached, can never win and is not
// scored. Over the lengths of one start these bounds improve up to l = m and
// worsen after it, so the spans that may win form one run of lengths: a
// start whose most promising length cannot win is skipped before any
// sweep, and a sweep stops at the first length past m that cannot win.
// Spans below the run are still swept, unscored: the distances of a start
// come from one sweep over its text (SpanDistances), or, for a long query,
// from sweeps of four starts side by side (SpanDistanceLanes).

namespace {

// A sweep step advances a column of the query's length: that many cells.
template <class Form, class ScoreOf>
Result<std::optional<Alignment<typename Form::Score>>, CoreError> sweep_spans(
    Symbols query, Symbols text, std::uint64_t span_limit, const Form& form,
    const ScoreOf& score_of) {
  using Score = typename Form::Score;
  const std::uint64_t m = query.size();
  std::optional<Alignment<Score>> best;
  InterruptionPoll poll;

  // Whether a span with `score` comes before the best so far.
  const auto comes_first = [&](Score score, std::uint64_t start, std::uint64_t length) {
    if (!best || Form::better(score, best->score)) return true;
    if (score != best->score) return false;
    const std::uint64_t best_length = best->span_end - best->span_start;
    return length < best_length || (length == best_length && start < best->span_start);
  };
  const auto consider = [&](Score score, std::uint64_t start, std::uint64_t length) {
    if (form.accepts(score) && comes_first(score, start, length)) {
      best = Alignment<Score>{score, 0, m, start, start + length};
    }
  };
  const auto may_win = [&](std::uint64_t start, std::uint64_t length) {
    const Score top = score_of(m > length ? m - length : length - m, length);
    return form.accepts(top) && comes_first(top, start, length);
  };

  const std::uint64_t n = text.size();
  if (m == 0 || span_limit == 0 || n == 0) {
    // The only candidate is the empty span, which deletes the whole query.
    consider(score_of(m, 0), 0, 0);
    return best;
  }
  if (SpanDistanceLanes::worth_it(m)) {
    constexpr std::size_t kLanes = SpanDistanceLanes::kLanes;
    SpanDistanceLanes lanes(query, text);
    for (std::uint64_t first = 0; first < n; first += kLanes) {
      std::uint64_t longest[kLanes] = {};
      bool open[kLanes] = {};
      bool any_open = false;
      for (std::size_t k = 0; k < kLanes && first + k < n; ++k) {
        longest[k] = std::min(span_limit, n - first - k);
        open[k] = may_win(first + k, std::min(m, longest[k]));
        any_open = any_open || open[k];
      }
      if (!any_open) continue;
      lanes.restart(first);
      // Lane k holds the spans of start first + k, one longer per step.
      while (any_open) {
        if (poll.stop_after(kLanes * m)) return Fail(CoreError(Interrupted{}));
        lanes.step();
        const std::uint64_t steps = lanes.steps();
        any_open = false;
        for (std::size_t k = 0; k < kLanes; ++k) {
          if (!open[k] || steps <= k) {
            any_open = any_open || open[k];
            continue;
          }
          const std::uint64_t length = steps - k;
          if (may_win(first + k, length)) {
            consider(score_of(lanes.distance(k), length), first + k, length);
          } else if (length >= m) {
            open[k] = false;
          }
          if (length == longest[k]) open[k] = false;
          any_open = any_open || open[k];
        }
      }
    }
    return best;
  }
  SpanDistances spans(query, text);
  for (std::uint64_t start = 0; start < n; ++start) {
    const std::uint64_t longest = std::min(span_limit, n - start);
    if (!may_win(start, std::min(m, longest))) continue;
    spans.restart(start);
    for (std::uint64_t length = 1; length <= longest; ++length) {
      if (poll.stop_after(m)) return Fail(CoreError(Interrupted{}));
      spans.extend();
      if (may_win(start, length)) {
        consider(score_of(spans.distance(), length), start, length);
      } else if (length >= m) {
        break;
      }
    }
  }
  return best;
}

}  // namespace

Result<std::optional<Alignment<std::uint64_t>>, CoreError> partial_distance_alignment(
    Symbols query, Symbols text, std::uint64_t max_span_chars,
    std::optional<std::uint64_t> cutoff) {
  // Each span is scored as the distance between the chain lattices of the
  // query and the span, whose search is bound by the state limit (a chain
  // has one node more than symbols). For single-path lattices that distance
  // is the string distance, so the lattices need not be built, but the
  // limit still ends the search at the first span too large for it. Spans
  // come by start and then by growing length, and no later start reaches
  // further than the first, so that span, if any, is the first start's
  // shortest one past the limit, and no score before it can fail.
  const std::uint64_t rows = query.size() + 1;
  const bool only_empty = query.empty() || max_span_chars == 0 || text.empty();
  const std::uint64_t longest =
      only_empty ? 0 : std::min<std::uint64_t>(max_span_chars, text.size());
  if (!lattice_state_count(rows, longest + 1)) {
    // The shortest failing span: rows * (length + 1) first exceeds the limit.
    const std::uint64_t length =
        only_empty ? 0 : std::max<std::uint64_t>(1, kMaxLatticeStates / rows);
    return Fail(CoreError(lattice_state_count(rows, length + 1).error()));
  }
  // The bounded search reports a distance beyond the cutoff as cutoff + 1.
  const auto score_of = [&](std::uint64_t distance, std::uint64_t) {
    return cutoff && distance > *cutoff ? exceeded_cutoff(*cutoff) : distance;
  };
  return sweep_spans(query, text, max_span_chars, DistanceForm{cutoff}, score_of);
}

Result<std::optional<Alignment<double>>, CoreError> partial_ratio_alignment(
    Symbols query, Symbols text, std::uint64_t max_span_chars, std::optional<double> cutoff) {
  // There is always a span, whose score tests the cutoff's range first.
  if (cutoff && !fractional_cutoff_in_range(*cutoff)) return Fail(CoreError(CutoffOutOfRange{}));
  // The string similarity of the query and the span, from the same distance
  // string_similarity would compute.
  const auto score_of = [&](std::uint64_t distance, std::uint64_t span_length) {
    return similarity_from_distance(distance, query.size(), span_length);
  };
  return sweep_spans(query, text, max_span_chars, RatioForm{cutoff}, score_of);
}

}  // namespace lumra
