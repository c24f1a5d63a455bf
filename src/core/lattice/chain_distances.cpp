#include "core/lattice/chain_distances.h"

#include <algorithm>
#include <limits>

#include "core/strings/cached_metrics.h"

namespace lumra {

namespace {

// Visits every pair until `visit` returns false. The paths of the side with
// fewer of them are the queries of cached scorers, each built once for all
// the paths of the other side; both metrics are symmetric, so which side
// plays the query does not change a distance.
template <class Scorer, class Visit>
void for_each_pair(const ChainPaths& left, const ChainPaths& right, Visit&& visit) {
  const bool left_queries = left.size() <= right.size();
  const ChainPaths& queries = left_queries ? left : right;
  const ChainPaths& choices = left_queries ? right : left;
  for (std::size_t q = 0; q < queries.size(); ++q) {
    const Scorer scorer(queries[q]);
    for (std::size_t c = 0; c < choices.size(); ++c) {
      if (!visit(scorer, choices[c])) return;
    }
  }
}

template <class Scorer>
std::uint64_t best_pair(const ChainPaths& left, const ChainPaths& right,
                        StringWorkspace& workspace) {
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
std::optional<std::uint64_t> best_pair_within(const ChainPaths& left, const ChainPaths& right,
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

std::uint64_t chain_distance(ChainMetric metric, const ChainPaths& left, const ChainPaths& right,
                             StringWorkspace& workspace) {
  return metric == ChainMetric::kLevenshtein
             ? best_pair<CachedLevenshtein>(left, right, workspace)
             : best_pair<CachedOsa>(left, right, workspace);
}

std::optional<std::uint64_t> chain_distance_within(ChainMetric metric, const ChainPaths& left,
                                                   const ChainPaths& right, std::uint64_t bound,
                                                   StringWorkspace& workspace) {
  return metric == ChainMetric::kLevenshtein
             ? best_pair_within<CachedLevenshtein>(left, right, bound, workspace)
             : best_pair_within<CachedOsa>(left, right, bound, workspace);
}

}  // namespace lumra
