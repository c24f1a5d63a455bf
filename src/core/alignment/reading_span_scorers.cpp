#include "core/alignment/reading_span_scorers.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "core/base/cutoff.h"
#include "core/lattice/lattice_state_limit.h"
#include "core/lattice/path_list.h"

namespace lumra {

namespace {

constexpr std::uint64_t kUnbounded = std::numeric_limits<std::uint64_t>::max();

std::uint64_t span_length_of(const Alignment<std::uint64_t>& best) {
  return best.span_end - best.span_start;
}
std::uint64_t span_length_of(const Alignment<double>& best) {
  return best.span_end - best.span_start;
}

}  // namespace

Result<std::uint64_t, CoreError> ReadingDistanceScorer::query_node_count(const ReadingList& query) {
  auto nodes = path_list_lattice_node_count(query);
  if (!nodes) return Fail(CoreError(nodes.error()));
  return nodes.value();
}

ReadingDistanceScorer::ReadingDistanceScorer(ReadingList query, std::uint64_t query_nodes,
                                             std::optional<std::uint64_t> cutoff,
                                             PairSearch search)
    : longest_query_(query.longest()),
      pairs_(std::move(query), search),
      query_nodes_(query_nodes),
      cutoff_(cutoff) {}

std::optional<std::uint64_t> ReadingDistanceScorer::wanted(
    std::uint64_t span_length, const std::optional<Alignment<std::uint64_t>>& best) const {
  std::uint64_t wanted = cutoff_.value_or(kUnbounded);
  if (best) {
    if (span_length < span_length_of(*best)) {
      wanted = std::min(wanted, best->score);
    } else if (best->score == 0) {
      return std::nullopt;
    } else {
      wanted = std::min(wanted, best->score - 1);
    }
  }
  return wanted;
}

Result<std::optional<std::uint64_t>, CoreError> ReadingDistanceScorer::score(
    const ReadingList& span, std::uint64_t span_length,
    const std::optional<Alignment<std::uint64_t>>& best) {
  // No reading: the best-pair similarity is 0.0.
  if (span.empty()) return std::optional<std::uint64_t>();

  const std::optional<std::uint64_t> most = wanted(span_length, best);
  const bool can_win = most.has_value();
  const std::uint64_t wanted = most.value_or(0);
  // A span that passes the prefilter ends the search when its lattice
  // cannot be built or searched, whatever its distance.
  const auto span_nodes = path_list_lattice_node_count(span);
  const bool fails_if_similar =
      !span_nodes || !lattice_state_count(query_nodes_, span_nodes.value()).ok();
  if (!can_win && !fails_if_similar) return std::optional<std::uint64_t>();

  pairs_.set_span(span);
  NearestReading state;
  if (pairs_.share_a_reading()) {
    // Distance 0, and two equal readings are similar (empty ones too).
    state.similar = true;
    if (can_win) state.nearest = 0;
  } else if (!pairs_.lower_distance(can_win, wanted, state)) {
    return Fail(CoreError(Interrupted{}));
  }
  if (!state.similar) return std::optional<std::uint64_t>();
  if (!span_nodes) return Fail(CoreError(span_nodes.error()));
  auto states = lattice_state_count(query_nodes_, span_nodes.value());
  if (!states) return Fail(CoreError(states.error()));
  return state.nearest;
}

bool ReadingDistanceScorer::worth_an_outlook(std::uint64_t span_length,
                                             const std::optional<Alignment<std::uint64_t>>& best,
                                             bool lengths_told) const {
  const std::optional<std::uint64_t> most = wanted(span_length, best);
  if (!most) return true;
  return lengths_told && *most < kUnbounded - longest_query_ &&
         span_length > longest_query_ + *most;
}

bool ReadingDistanceScorer::passes_over(const SpanOutlook& outlook, std::uint64_t span_length,
                                        const std::optional<Alignment<std::uint64_t>>& best) const {
  switch (outlook.kind) {
    case SpanOutlook::Kind::kUnknown: return false;
    case SpanOutlook::Kind::kNoReadings: return true;  // left out whatever it scores
    case SpanOutlook::Kind::kReadings: break;
  }
  // A reading pair is at least as far apart as their lengths.
  const std::optional<std::uint64_t> most = wanted(span_length, best);
  if (most) {
    const bool too_far = outlook.min_symbols && *outlook.min_symbols > longest_query_ &&
                         *outlook.min_symbols - longest_query_ > *most;
    if (!too_far) return false;
  }
  // Readings that pass the prefilter are searched, or fail at the limit.
  return outlook.chain_nodes && lattice_state_count(query_nodes_, *outlook.chain_nodes).ok();
}

ReadingRatioScorer::ReadingRatioScorer(ReadingList query, std::optional<double> cutoff,
                                       PairSearch search)
    : pairs_(std::move(query), search), cutoff_(cutoff) {}

Result<std::optional<double>, CoreError> ReadingRatioScorer::score(
    const ReadingList& span, std::uint64_t span_length,
    const std::optional<Alignment<double>>& best) {
  if (cutoff_ && !fractional_cutoff_in_range(*cutoff_)) return Fail(CoreError(CutoffOutOfRange{}));

  // The lowest similarity with which the span can be kept and beat the best
  // so far (equal to it only with a shorter span, which the search decides).
  double floor = cutoff_.value_or(0.0);
  if (beyond_reach(span_length, best)) return std::optional<double>();
  if (best) floor = std::max(floor, best->score);
  if (span.empty()) return std::optional<double>();
  pairs_.set_span(span);
  if (pairs_.share_a_reading()) return std::optional<double>(1.0);
  std::optional<double> found;  // the best similarity found from `floor` up
  if (!pairs_.raise_similarity(floor, found)) return Fail(CoreError(Interrupted{}));
  return found;
}

bool ReadingRatioScorer::beyond_reach(std::uint64_t span_length,
                                      const std::optional<Alignment<double>>& best) {
  return best && best->score == 1.0 && span_length >= span_length_of(*best);
}

bool ReadingRatioScorer::passes_over(const SpanOutlook& outlook, std::uint64_t span_length,
                                     const std::optional<Alignment<double>>& best) const {
  if (!beyond_reach(span_length, best)) return false;
  if (cutoff_ && !fractional_cutoff_in_range(*cutoff_)) return false;
  return outlook.kind != SpanOutlook::Kind::kUnknown;
}

}  // namespace lumra
