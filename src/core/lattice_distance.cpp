#include "core/lattice_distance.h"

#include <algorithm>
#include <limits>

#include "core/cutoff.h"
#include "core/lattice_state_limit.h"

namespace lumra {

namespace {

enum class Metric { kLevenshtein, kDamerau };

std::uint64_t saturating_add(std::uint64_t a, std::uint64_t b) {
  const std::uint64_t sum = a + b;
  return sum < a ? std::numeric_limits<std::uint64_t>::max() : sum;
}

// Pull-style fill: every state takes the cheapest way in from states whose
// nodes are all no later than its own. Node numbers are a topological
// order, so visiting left nodes, then right nodes, in increasing order
// reads only finished values. States outside the start..end ranges keep
// infinity and so contribute nothing.
template <Metric kMetric>
std::uint64_t fill_table(const PathLattice& left, const PathLattice& right, std::uint64_t states,
                         std::vector<std::uint64_t>& distances) {
  const std::uint64_t cols = right.node_count();
  distances.assign(states, kLatticeInfinity);
  auto at = [&distances, cols](std::uint64_t i, std::uint64_t j) {
    return distances[i * cols + j];
  };
  distances[left.start() * cols + right.start()] = 0;

  for (std::uint64_t i = left.start(); i <= left.end(); ++i) {
    const auto into_i = left.incoming(i);
    for (std::uint64_t j = right.start(); j <= right.end(); ++j) {
      if (i == left.start() && j == right.start()) continue;
      const auto into_j = right.incoming(j);
      std::uint64_t best = kLatticeInfinity;
      for (ArcIndex xi : into_i) {
        const LatticeArc& x = left.arc(xi);
        best = std::min(best, saturating_add(at(x.src, j), 1));  // deletion
        for (ArcIndex yi : into_j) {
          const LatticeArc& y = right.arc(yi);
          best = std::min(best, saturating_add(at(x.src, y.src), x.symbol != y.symbol ? 1 : 0));
          if constexpr (kMetric == Metric::kDamerau) {
            // x2 x on the left against y2 y on the right, crossed.
            for (ArcIndex x2i : left.incoming(x.src)) {
              const LatticeArc& x2 = left.arc(x2i);
              if (x2.symbol != y.symbol) continue;
              for (ArcIndex y2i : right.incoming(y.src)) {
                const LatticeArc& y2 = right.arc(y2i);
                if (y2.symbol != x.symbol) continue;
                best = std::min(best, saturating_add(at(x2.src, y2.src), 1));
              }
            }
          }
        }
      }
      for (ArcIndex yi : into_j) {
        best = std::min(best, saturating_add(at(i, right.arc(yi).src), 1));  // insertion
      }
      distances[i * cols + j] = best;
    }
  }
  return at(left.end(), right.end());
}

struct SearchOutcome {
  bool stopped_at_end;         // only with kStopAtEnd
  std::uint64_t end_distance;  // final only when the search ran to the end
};

// Push-style label-correcting search: a state is expanded only while its
// distance is at most `bound`, and a state whose distance drops while it is
// not queued goes to the back of the queue again. Every state within the
// bound ends with its true distance. With kStopAtEnd the search returns as
// soon as the end pair leaves the queue, which can only happen when it was
// reached within the bound. The move order (insertions, deletions,
// substitutions, transpositions) fixes the queue order, so searches are
// reproducible step for step.
template <Metric kMetric, bool kStopAtEnd>
SearchOutcome bounded_search(const PathLattice& left, const PathLattice& right,
                             std::uint64_t states, std::uint64_t bound,
                             LatticeWorkspace& workspace) {
  const std::uint64_t cols = right.node_count();
  std::vector<std::uint64_t>& distances = workspace.distances;
  std::vector<std::uint8_t>& in_queue = workspace.in_queue;
  PairQueue& queue = workspace.queue;
  distances.assign(states, kLatticeInfinity);
  in_queue.assign(states, 0);
  queue.clear();

  auto relax = [&](std::uint64_t i, std::uint64_t j, std::uint64_t cost) {
    const std::uint64_t index = i * cols + j;
    if (cost > bound || cost >= distances[index]) return;
    distances[index] = cost;
    if (!in_queue[index]) {
      in_queue[index] = 1;
      queue.push({i, j});
    }
  };

  const std::uint64_t start = left.start() * cols + right.start();
  distances[start] = 0;
  in_queue[start] = 1;
  queue.push({left.start(), right.start()});

  while (!queue.empty()) {
    const auto [i, j] = queue.pop();
    in_queue[i * cols + j] = 0;
    const std::uint64_t d = distances[i * cols + j];
    if (d > bound) continue;
    if constexpr (kStopAtEnd) {
      if (i == left.end() && j == right.end()) return {true, d};
    }
    const std::uint64_t step = saturating_add(d, 1);
    const auto from_i = left.outgoing(i);
    const auto from_j = right.outgoing(j);
    for (ArcIndex yi : from_j) relax(i, right.arc(yi).dst, step);  // insertions
    for (ArcIndex xi : from_i) relax(left.arc(xi).dst, j, step);   // deletions
    for (ArcIndex xi : from_i) {
      const LatticeArc& x = left.arc(xi);
      for (ArcIndex yi : from_j) {
        const LatticeArc& y = right.arc(yi);
        relax(x.dst, y.dst, x.symbol != y.symbol ? step : d);
      }
    }
    if constexpr (kMetric == Metric::kDamerau) {
      for (ArcIndex xi : from_i) {
        const LatticeArc& x = left.arc(xi);
        for (ArcIndex yi : from_j) {
          const LatticeArc& y = right.arc(yi);
          for (ArcIndex x2i : left.outgoing(x.dst)) {
            const LatticeArc& x2 = left.arc(x2i);
            if (x2.symbol != y.symbol) continue;
            for (ArcIndex y2i : right.outgoing(y.dst)) {
              const LatticeArc& y2 = right.arc(y2i);
              if (y2.symbol == x.symbol) relax(x2.dst, y2.dst, step);
            }
          }
        }
      }
    }
  }
  return {false, distances[left.end() * cols + right.end()]};
}

template <Metric kMetric>
Result<std::uint64_t, DistanceMatrixTooLarge> unbounded(const PathLattice& left,
                                                        const PathLattice& right,
                                                        LatticeWorkspace& workspace) {
  auto states = lattice_state_count(left, right);
  if (!states) return Fail(states.error());
  return fill_table<kMetric>(left, right, states.value(), workspace.distances);
}

template <Metric kMetric>
Result<BoundedDistance, DistanceMatrixTooLarge> bounded(const PathLattice& left,
                                                        const PathLattice& right,
                                                        std::uint64_t bound,
                                                        LatticeWorkspace& workspace) {
  auto states = lattice_state_count(left, right);
  if (!states) return Fail(states.error());
  const std::uint64_t value =
      bounded_search<kMetric, false>(left, right, states.value(), bound, workspace).end_distance;
  return BoundedDistance{value <= bound, value};
}

template <Metric kMetric>
Result<bool, DistanceMatrixTooLarge> within(const PathLattice& left, const PathLattice& right,
                                            std::uint64_t threshold) {
  auto states = lattice_state_count(left, right);
  if (!states) return Fail(states.error());
  LatticeWorkspace fresh;
  return bounded_search<kMetric, true>(left, right, states.value(), threshold, fresh)
      .stopped_at_end;
}

template <Metric kMetric>
Result<std::uint64_t, DistanceMatrixTooLarge> with_cutoff(const PathLattice& left,
                                                          const PathLattice& right,
                                                          std::optional<std::uint64_t> cutoff,
                                                          LatticeWorkspace& workspace) {
  if (!cutoff) return unbounded<kMetric>(left, right, workspace);
  auto result = bounded<kMetric>(left, right, *cutoff, workspace);
  if (!result) return Fail(result.error());
  return apply_integer_cutoff(result.value(), *cutoff);
}

}  // namespace

Result<std::uint64_t, DistanceMatrixTooLarge> lattice_levenshtein(const PathLattice& left,
                                                                  const PathLattice& right,
                                                                  LatticeWorkspace& workspace) {
  return unbounded<Metric::kLevenshtein>(left, right, workspace);
}

Result<BoundedDistance, DistanceMatrixTooLarge> lattice_levenshtein_bounded(
    const PathLattice& left, const PathLattice& right, std::uint64_t bound,
    LatticeWorkspace& workspace) {
  return bounded<Metric::kLevenshtein>(left, right, bound, workspace);
}

Result<bool, DistanceMatrixTooLarge> lattice_within_levenshtein(const PathLattice& left,
                                                                const PathLattice& right,
                                                                std::uint64_t threshold) {
  return within<Metric::kLevenshtein>(left, right, threshold);
}

Result<std::uint64_t, DistanceMatrixTooLarge> lattice_damerau(const PathLattice& left,
                                                              const PathLattice& right,
                                                              LatticeWorkspace& workspace) {
  return unbounded<Metric::kDamerau>(left, right, workspace);
}

Result<BoundedDistance, DistanceMatrixTooLarge> lattice_damerau_bounded(
    const PathLattice& left, const PathLattice& right, std::uint64_t bound,
    LatticeWorkspace& workspace) {
  return bounded<Metric::kDamerau>(left, right, bound, workspace);
}

Result<bool, DistanceMatrixTooLarge> lattice_within_damerau(const PathLattice& left,
                                                            const PathLattice& right,
                                                            std::uint64_t threshold) {
  return within<Metric::kDamerau>(left, right, threshold);
}

Result<std::uint64_t, DistanceMatrixTooLarge> lattice_levenshtein_with_cutoff(
    const PathLattice& left, const PathLattice& right, std::optional<std::uint64_t> cutoff,
    LatticeWorkspace& workspace) {
  return with_cutoff<Metric::kLevenshtein>(left, right, cutoff, workspace);
}

Result<std::uint64_t, DistanceMatrixTooLarge> lattice_damerau_with_cutoff(
    const PathLattice& left, const PathLattice& right, std::optional<std::uint64_t> cutoff,
    LatticeWorkspace& workspace) {
  return with_cutoff<Metric::kDamerau>(left, right, cutoff, workspace);
}

}  // namespace lumra
