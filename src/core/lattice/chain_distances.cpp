#include "core/lattice/chain_distances.h"

#include <algorithm>
#include <limits>

#include "core/base/interruption.h"
#include "core/strings/cached_metrics.h"

namespace lumra {

namespace {

// A cached query keeps 32 bytes of masks per symbol (a 256-entry row of
// words for every 64 symbols), eight times the symbols themselves, while a
// choice is only read. The state limit keeps every path of one side or the
// other within a few thousand symbols, so a query that long only arises when
// the other side's paths are all shorter, and then they play the queries.
constexpr std::size_t kLongestCheapQuery = 4096;

std::size_t longest_path(PathListView paths) {
  std::size_t longest = 0;
  for (std::size_t p = 0; p < paths.size(); ++p) longest = std::max(longest, paths[p].size());
  return longest;
}

// Whether the left paths play the queries: the side with fewer paths builds
// fewer tables, unless its tables would be the large ones.
bool left_plays_queries(PathListView left, PathListView right) {
  const bool fewer = left.size() <= right.size();
  const std::size_t queries = longest_path(fewer ? left : right);
  if (queries <= kLongestCheapQuery || longest_path(fewer ? right : left) >= queries) return fewer;
  return !fewer;
}

// Visits every pair until `visit` returns false. The paths of one side are
// the queries of cached scorers, each built once for all the paths of the
// other side; both metrics are symmetric, so which side plays the query
// does not change a distance. Interrupted (interruption.h), the visits
// end, and the best pair so far means nothing.
template <class Scorer, class Visit>
void for_each_pair(PathListView left, PathListView right, Visit&& visit) {
  const bool left_queries = left_plays_queries(left, right);
  const PathListView queries = left_queries ? left : right;
  const PathListView choices = left_queries ? right : left;
  InterruptionPoll poll;
  for (std::size_t q = 0; q < queries.size(); ++q) {
    const Scorer scorer(queries[q]);
    const std::uint64_t words = queries[q].size() / 64 + 1;
    for (std::size_t c = 0; c < choices.size(); ++c) {
      if (poll.stop_after(words * (choices[c].size() + 1))) return;
      if (!visit(scorer, choices[c])) return;
    }
  }
}

template <class Scorer>
std::uint64_t best_pair(PathListView left, PathListView right, StringWorkspace& workspace) {
  std::uint64_t best = std::numeric_limits<std::uint64_t>::max();
  for_each_pair<Scorer>(left, right, [&](const Scorer& scorer, Symbols path) {
    best = std::min(best, scorer.distance(path, workspace));
    return best > 0;  // nothing beats an exact match
  });
  return best;
}

std::optional<std::uint64_t> within(const CachedLevenshtein& scorer, Symbols path,
                                    std::uint64_t bound, StringWorkspace& workspace) {
  return scorer.distance_within(path, bound, workspace);
}

std::optional<std::uint64_t> within(const CachedOsa& scorer, Symbols path, std::uint64_t bound,
                                    StringWorkspace& workspace) {
  const BoundedDistance distance = scorer.distance_within(path, bound, workspace);
  return distance.within ? std::optional<std::uint64_t>(distance.value) : std::nullopt;
}

template <class Scorer>
std::optional<std::uint64_t> best_pair_within(PathListView left, PathListView right,
                                              std::uint64_t bound, StringWorkspace& workspace) {
  std::optional<std::uint64_t> best;
  for_each_pair<Scorer>(left, right, [&](const Scorer& scorer, Symbols path) {
    // Once a pair is within the bound only a closer one matters, so the
    // bound tightens and the kernels can give up sooner.
    if (auto distance = within(scorer, path, best ? *best - 1 : bound, workspace)) best = distance;
    return best != std::uint64_t{0};
  });
  return best;
}

}  // namespace

std::uint64_t chain_distance(ChainMetric metric, PathListView left, PathListView right,
                             StringWorkspace& workspace) {
  return metric == ChainMetric::kLevenshtein
             ? best_pair<CachedLevenshtein>(left, right, workspace)
             : best_pair<CachedOsa>(left, right, workspace);
}

std::optional<std::uint64_t> chain_distance_within(ChainMetric metric, PathListView left,
                                                   PathListView right, std::uint64_t bound,
                                                   StringWorkspace& workspace) {
  return metric == ChainMetric::kLevenshtein
             ? best_pair_within<CachedLevenshtein>(left, right, bound, workspace)
             : best_pair_within<CachedOsa>(left, right, bound, workspace);
}

}  // namespace lumra
