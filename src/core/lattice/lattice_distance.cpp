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

using Metric = LatticeMetric;

constexpr ChainMetric chain_metric(Metric metric) {
  return metric == Metric::kLevenshtein ? ChainMetric::kLevenshtein : ChainMetric::kDamerau;
}

// The search proper, on two operands laid out for it. When both lattices
// are made of separate chains, as path lists are, the best pair of their
// paths is the distance (chain_distances.h), found far sooner by the string
// kernels than by a search over every pair of nodes.
template <Metric kMetric>
std::uint64_t unbounded_search(const PreparedLattice& left, const PreparedLattice& right,
                               LatticeWorkspace& workspace) {
  if (left.chains() && right.chains()) {
    return chain_distance(chain_metric(kMetric), left.chain_paths(), right.chain_paths(),
                          workspace.strings);
  }
  return kMetric == Metric::kLevenshtein ? levenshtein_table_fill(left, right, workspace)
                                          : damerau_table_fill(left, right, workspace);
}

// Whether the end pair is within the bound, and then its distance.
template <Metric kMetric>
BoundedSearchOutcome bounded_search(const PreparedLattice& left, const PreparedLattice& right,
                                    std::uint64_t bound, LatticeWorkspace& workspace) {
  if (left.chains() && right.chains()) {
    const auto distance = chain_distance_within(chain_metric(kMetric), left.chain_paths(),
                                                right.chain_paths(), bound, workspace.strings);
    return distance ? BoundedSearchOutcome{true, *distance}
                    : BoundedSearchOutcome{false, kLatticeInfinity};
  }
  return kMetric == Metric::kLevenshtein ? levenshtein_bounded_search(left, right, bound, workspace)
                                         : damerau_bounded_search(left, right, bound, workspace);
}

// Lays out two lattices in the workspace for `use`, as far as the search
// needs: when the left one is not made of chains, the right one's chains
// are never read, and when both are, no arcs are laid out.
void lay_out(const PathLattice& left, const PathLattice& right, LatticeSearchUse use,
             LatticeWorkspace& workspace) {
  workspace.left.reset(left);
  workspace.right.reset(right);
  if (workspace.left.read_chains() && workspace.right.read_chains()) return;
  workspace.left.lay_out(use, LatticeSide::kLeft);
  workspace.right.lay_out(use, LatticeSide::kRight);
}

template <Metric kMetric>
Result<std::uint64_t, DistanceMatrixTooLarge> unbounded(const PathLattice& left,
                                                        const PathLattice& right,
                                                        LatticeWorkspace& workspace) {
  auto states = lattice_state_count(left, right);
  if (!states) return Fail(states.error());
  lay_out(left, right, {kMetric, false}, workspace);
  return unbounded_search<kMetric>(workspace.left, workspace.right, workspace);
}

template <Metric kMetric>
Result<BoundedDistance, DistanceMatrixTooLarge> bounded(const PathLattice& left,
                                                        const PathLattice& right,
                                                        std::uint64_t bound,
                                                        LatticeWorkspace& workspace) {
  auto states = lattice_state_count(left, right);
  if (!states) return Fail(states.error());
  lay_out(left, right, {kMetric, true}, workspace);
  // The end pair's distance when it was reached within the bound, else
  // the infinity of an unreached pair.
  const std::uint64_t value =
      bounded_search<kMetric>(workspace.left, workspace.right, bound, workspace).end_distance;
  return BoundedDistance{value <= bound, value};
}

template <Metric kMetric>
Result<bool, DistanceMatrixTooLarge> within(const PathLattice& left, const PathLattice& right,
                                            std::uint64_t threshold) {
  auto states = lattice_state_count(left, right);
  if (!states) return Fail(states.error());
  LatticeWorkspace fresh;
  lay_out(left, right, {kMetric, true}, fresh);
  return bounded_search<kMetric>(fresh.left, fresh.right, threshold, fresh).reached_end;
}

template <Metric kMetric>
Result<bool, DistanceMatrixTooLarge> prepared_within(const PreparedLattice& left,
                                                     const PreparedLattice& right,
                                                     std::uint64_t threshold,
                                                     LatticeWorkspace& workspace) {
  const LatticeSearchUse use{kMetric, true};
  if (!left.laid_out_for(use, LatticeSide::kLeft) ||
      !right.laid_out_for(use, LatticeSide::kRight)) {
    auto states = lattice_state_count(left.lattice(), right.lattice());
    if (!states) return Fail(states.error());
    lay_out(left.lattice(), right.lattice(), use, workspace);
    return bounded_search<kMetric>(workspace.left, workspace.right, threshold, workspace)
        .reached_end;
  }
  auto states = lattice_state_count(left.lattice(), right.lattice());
  if (!states) return Fail(states.error());
  return bounded_search<kMetric>(left, right, threshold, workspace).reached_end;
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

template <Metric kMetric>
Result<std::uint64_t, DistanceMatrixTooLarge> prepared_with_cutoff(
    const PreparedLattice& left, const PreparedLattice& right, std::optional<std::uint64_t> cutoff,
    LatticeWorkspace& workspace) {
  const LatticeSearchUse use{kMetric, cutoff.has_value()};
  if (!left.laid_out_for(use, LatticeSide::kLeft) ||
      !right.laid_out_for(use, LatticeSide::kRight)) {
    return with_cutoff<kMetric>(left.lattice(), right.lattice(), cutoff, workspace);
  }
  auto states = lattice_state_count(left.lattice(), right.lattice());
  if (!states) return Fail(states.error());
  if (!cutoff) return unbounded_search<kMetric>(left, right, workspace);
  const std::uint64_t value = bounded_search<kMetric>(left, right, *cutoff, workspace).end_distance;
  return apply_integer_cutoff(BoundedDistance{value <= *cutoff, value}, *cutoff);
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

Result<std::uint64_t, DistanceMatrixTooLarge> lattice_distance_with_cutoff(
    LatticeMetric metric, const PreparedLattice& left, const PreparedLattice& right,
    std::optional<std::uint64_t> cutoff, LatticeWorkspace& workspace) {
  return metric == LatticeMetric::kLevenshtein
             ? prepared_with_cutoff<Metric::kLevenshtein>(left, right, cutoff, workspace)
             : prepared_with_cutoff<Metric::kDamerau>(left, right, cutoff, workspace);
}

Result<bool, DistanceMatrixTooLarge> lattice_within(LatticeMetric metric,
                                                    const PreparedLattice& left,
                                                    const PreparedLattice& right,
                                                    std::uint64_t threshold,
                                                    LatticeWorkspace& workspace) {
  return metric == LatticeMetric::kLevenshtein
             ? prepared_within<Metric::kLevenshtein>(left, right, threshold, workspace)
             : prepared_within<Metric::kDamerau>(left, right, threshold, workspace);
}

}  // namespace lumra
