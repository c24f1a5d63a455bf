#include "core/alignment/reading_span_scorers.h"

#include <algorithm>
#include <limits>

#include "core/base/cutoff.h"
#include "core/lattice/distinct_paths.h"
#include "core/lattice/lattice_state_limit.h"
#include "core/lattice/path_list.h"
#include "core/strings/similarity.h"
#include "core/strings/similarity_bound.h"

namespace lumra {

namespace {

constexpr std::uint64_t kUnbounded = std::numeric_limits<std::uint64_t>::max();

// The Levenshtein distance of a query reading and a span reading when it is
// at most `bound`, else nothing.
std::optional<std::uint64_t> pair_distance(const CachedLevenshtein& query, Symbols reading,
                                           std::uint64_t bound, StringWorkspace& workspace) {
  const std::uint64_t a = query.query().size();
  const std::uint64_t b = reading.size();
  // The distance lies between the difference of the lengths and the longer
  // length, so neither end needs a kernel.
  if ((a > b ? a - b : b - a) > bound) return std::nullopt;
  if (bound >= std::max(a, b)) return query.distance(reading, workspace);
  return query.distance_within(reading, bound, workspace);
}

std::uint64_t span_length_of(const Alignment<std::uint64_t>& best) {
  return best.span_end - best.span_start;
}
std::uint64_t span_length_of(const Alignment<double>& best) {
  return best.span_end - best.span_start;
}

}  // namespace

QueryReadings::QueryReadings(const ReadingList& readings) {
  // Every score is a best pair, which a repeated reading cannot change.
  for (Symbols reading : distinct_paths(readings)) scorers_.emplace_back(reading);
}

Result<std::uint64_t, CoreError> ReadingDistanceScorer::query_node_count(const ReadingList& query) {
  auto nodes = path_list_lattice_node_count(query);
  if (!nodes) return Fail(CoreError(nodes.error()));
  return nodes.value();
}

ReadingDistanceScorer::ReadingDistanceScorer(const ReadingList& query, std::uint64_t query_nodes,
                                             std::optional<std::uint64_t> cutoff)
    : query_(query), query_nodes_(query_nodes), cutoff_(cutoff) {}

Result<std::optional<std::uint64_t>, CoreError> ReadingDistanceScorer::score(
    const ReadingList& span, std::uint64_t span_length,
    const std::optional<Alignment<std::uint64_t>>& best) {
  // No reading: the best-pair similarity is 0.0.
  if (span.empty()) return std::optional<std::uint64_t>();

  // The largest distance with which the span is kept and beats the best so
  // far, when some distance does.
  bool can_win = true;
  std::uint64_t wanted = cutoff_.value_or(kUnbounded);
  if (best) {
    if (span_length < span_length_of(*best)) {
      wanted = std::min(wanted, best->score);
    } else if (best->score == 0) {
      can_win = false;
    } else {
      wanted = std::min(wanted, best->score - 1);
    }
  }
  // A span that passes the prefilter ends the search when its lattice
  // cannot be built or searched, whatever its distance.
  const auto span_nodes = path_list_lattice_node_count(span);
  const bool fails_if_similar =
      !span_nodes || !lattice_state_count(query_nodes_, span_nodes.value()).ok();
  if (!can_win && !fails_if_similar) return std::optional<std::uint64_t>();

  bool similar = false;  // some pair has a similarity above 0.0
  std::optional<std::uint64_t> nearest;  // the smallest distance found up to `wanted`
  const auto can_improve = [&] { return can_win && (!nearest || *nearest > 0); };
  // Once the prefilter has passed and no pair can bring a closer distance
  // that matters, the remaining pairs change nothing.
  const auto settled = [&] { return similar && !can_improve(); };
  for (std::size_t q = 0; q < query_.size() && !settled(); ++q) {
    const CachedLevenshtein& query = query_[q];
    for (std::size_t r = 0; r < span.size() && !settled(); ++r) {
      const Symbols reading = span[r];
      const std::uint64_t a = query.query().size();
      const std::uint64_t b = reading.size();
      // The prefilter needs a distance below the longer length, where the
      // similarity falls to 0.0; the score a distance below the nearest so
      // far, or up to `wanted` before there is one.
      std::uint64_t bound = 0;
      if (!similar) bound = std::max(a, b) == 0 ? 0 : std::max(a, b) - 1;
      const bool improves = can_improve();
      const std::uint64_t improving = nearest ? *nearest - 1 : wanted;
      if (improves) bound = std::max(bound, improving);

      // A span and the query may each have thousands of readings.
      if (poll_.stop_after((a + 1) * (b + 1) / 64 + 1)) return Fail(CoreError(Interrupted{}));
      const auto distance = pair_distance(query, reading, bound, strings_);
      if (!distance) continue;
      if (!similar && similarity_from_distance(*distance, a, b) > 0.0) similar = true;
      if (improves && *distance <= improving) nearest = *distance;
    }
  }
  if (!similar) return std::optional<std::uint64_t>();
  if (!span_nodes) return Fail(CoreError(span_nodes.error()));
  auto states = lattice_state_count(query_nodes_, span_nodes.value());
  if (!states) return Fail(CoreError(states.error()));
  return nearest;
}

ReadingRatioScorer::ReadingRatioScorer(const ReadingList& query, std::optional<double> cutoff)
    : query_(query), cutoff_(cutoff) {}

Result<std::optional<double>, CoreError> ReadingRatioScorer::score(
    const ReadingList& span, std::uint64_t span_length,
    const std::optional<Alignment<double>>& best) {
  if (cutoff_ && !fractional_cutoff_in_range(*cutoff_)) return Fail(CoreError(CutoffOutOfRange{}));

  // The lowest similarity with which the span can be kept and beat the best
  // so far (equal to it only with a shorter span, which the search decides).
  double floor = cutoff_.value_or(0.0);
  if (best) {
    if (span_length >= span_length_of(*best) && best->score == 1.0) {
      return std::optional<double>();
    }
    floor = std::max(floor, best->score);
  }

  std::optional<double> found;  // the best similarity found up to `floor`
  for (std::size_t q = 0; q < query_.size() && found != 1.0; ++q) {
    const CachedLevenshtein& query = query_[q];
    for (std::size_t r = 0; r < span.size() && found != 1.0; ++r) {
      const Symbols reading = span[r];
      const std::uint64_t a = query.query().size();
      const std::uint64_t b = reading.size();
      const double needed = found ? std::max(floor, *found) : floor;
      // The similarity falls as the distance grows, and the distance is at
      // least the difference of the lengths.
      if (similarity_from_distance(a > b ? a - b : b - a, a, b) < needed) continue;
      if (poll_.stop_after((a + 1) * (b + 1) / 64 + 1)) return Fail(CoreError(Interrupted{}));
      const auto distance =
          pair_distance(query, reading, largest_distance_for_similarity(needed, a, b), strings_);
      if (!distance) continue;
      const double similarity = similarity_from_distance(*distance, a, b);
      if (!found || similarity > *found) found = similarity;
    }
  }
  return found;
}

}  // namespace lumra
