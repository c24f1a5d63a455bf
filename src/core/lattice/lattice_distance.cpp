#include "core/lattice/lattice_distance.h"

#include "core/lattice/chain_distances.h"
#include "core/base/cutoff.h"
#include "core/lattice/internal/lattice_bounded_search.h"
#include "core/lattice/lattice_state_limit.h"
#include "core/lattice/internal/lattice_table_fill.h"

namespace lumra {

namespace {

using internal::BoundedSearchOutcome;
using internal::damerau_bounded_search;
using internal::damerau_table_fill;
using internal::levenshtein_bounded_search;
using internal::levenshtein_table_fill;

enum class Metric { kLevenshtein, kDamerau };

constexpr ChainMetric chain_metric(Metric metric) {
  return metric == Metric::kLevenshtein ? ChainMetric::kLevenshtein : ChainMetric::kDamerau;
}

// Whether both lattices are made of separate chains, as path lists are;
// their paths are then in the workspace and the best pair of them is the
// distance (chain_distances.h), found far sooner by the string kernels
// than by a search over every pair of nodes.
bool both_chains(const PathLattice& left, const PathLattice& right, LatticeWorkspace& workspace) {
  return workspace.left_chains.assign(left) && workspace.right_chains.assign(right);
}

// Whether the end pair is within the bound, and then its distance.
template <Metric kMetric>
BoundedSearchOutcome search(const PathLattice& left, const PathLattice& right, std::uint64_t bound,
                            LatticeWorkspace& workspace) {
  if (both_chains(left, right, workspace)) {
    const auto distance = chain_distance_within(chain_metric(kMetric), workspace.left_chains,
                                                workspace.right_chains, bound, workspace.strings);
    return distance ? BoundedSearchOutcome{true, *distance}
                    : BoundedSearchOutcome{false, kLatticeInfinity};
  }
  return kMetric == Metric::kLevenshtein ? levenshtein_bounded_search(left, right, bound, workspace)
                                         : damerau_bounded_search(left, right, bound, workspace);
}

template <Metric kMetric>
Result<std::uint64_t, DistanceMatrixTooLarge> unbounded(const PathLattice& left,
                                                        const PathLattice& right,
                                                        LatticeWorkspace& workspace) {
  auto states = lattice_state_count(left, right);
  if (!states) return Fail(states.error());
  if (both_chains(left, right, workspace)) {
    return chain_distance(chain_metric(kMetric), workspace.left_chains, workspace.right_chains,
                          workspace.strings);
  }
  return kMetric == Metric::kLevenshtein ? levenshtein_table_fill(left, right, workspace)
                                          : damerau_table_fill(left, right, workspace);
}

template <Metric kMetric>
Result<BoundedDistance, DistanceMatrixTooLarge> bounded(const PathLattice& left,
                                                        const PathLattice& right,
                                                        std::uint64_t bound,
                                                        LatticeWorkspace& workspace) {
  auto states = lattice_state_count(left, right);
  if (!states) return Fail(states.error());
  // The end pair's distance when it was reached within the bound, else
  // the infinity of an unreached pair.
  const std::uint64_t value = search<kMetric>(left, right, bound, workspace).end_distance;
  return BoundedDistance{value <= bound, value};
}

template <Metric kMetric>
Result<bool, DistanceMatrixTooLarge> within(const PathLattice& left, const PathLattice& right,
                                            std::uint64_t threshold) {
  auto states = lattice_state_count(left, right);
  if (!states) return Fail(states.error());
  LatticeWorkspace fresh;
  return search<kMetric>(left, right, threshold, fresh).reached_end;
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
