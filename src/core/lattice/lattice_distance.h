// Edit distances between two path lattices.
//
// The distance between two lattices is the smallest edit distance between
// any alternative of the left one and any alternative of the right one. It
// is found without listing the alternatives, by a search over pairs of
// nodes, one of each lattice: an insertion follows a right arc, a deletion
// a left arc, a match or substitution one arc of each, and (restricted
// Damerau only) a transposition two consecutive arcs of each whose symbols
// cross. For two single-path lattices the results equal the string metrics.
//
// Each metric comes in three forms:
//   - unbounded: a table fill over every pair of nodes in node order;
//   - bounded by k: a search that never expands a state beyond k and keeps
//     only the states it reaches, cheap for small k however large the
//     lattices;
//   - threshold test: the bounded search that answers as soon as the end
//     pair is reached, with buffers of its own.
// All of them fail with DistanceMatrixTooLarge, before any allocation, when
// the pair of lattices exceeds the state limit (lattice_state_limit.h).
// Lattices made only of separate chains, as path lists become, spell just
// their paths; for those every form compares the paths pairwise with the
// string kernels instead (chain_paths.h), with the same results.
#pragma once

#include <cstdint>
#include <optional>

#include "core/base/errors.h"
#include "core/lattice/lattice.h"
#include "core/lattice/lattice_workspace.h"
#include "core/lattice/prepared_lattice.h"
#include "core/strings/osa.h"
#include "core/base/result.h"

namespace lumra {

// The distance of a pair whose end no start-to-end path reaches. Costs are
// added with saturation, so this never turns into a finite value.
inline constexpr std::uint64_t kLatticeInfinity = 4611686018427387903;  // 2^62 - 1

Result<std::uint64_t, DistanceMatrixTooLarge> lattice_levenshtein(const PathLattice& left,
                                                                  const PathLattice& right,
                                                                  LatticeWorkspace& workspace);

// `within` exactly when the distance is at most `bound`; `value` is then the
// distance.
Result<BoundedDistance, DistanceMatrixTooLarge> lattice_levenshtein_bounded(
    const PathLattice& left, const PathLattice& right, std::uint64_t bound,
    LatticeWorkspace& workspace);

// True exactly when the distance is at most `threshold`.
Result<bool, DistanceMatrixTooLarge> lattice_within_levenshtein(const PathLattice& left,
                                                                const PathLattice& right,
                                                                std::uint64_t threshold);

Result<std::uint64_t, DistanceMatrixTooLarge> lattice_damerau(const PathLattice& left,
                                                              const PathLattice& right,
                                                              LatticeWorkspace& workspace);

Result<BoundedDistance, DistanceMatrixTooLarge> lattice_damerau_bounded(
    const PathLattice& left, const PathLattice& right, std::uint64_t bound,
    LatticeWorkspace& workspace);

Result<bool, DistanceMatrixTooLarge> lattice_within_damerau(const PathLattice& left,
                                                            const PathLattice& right,
                                                            std::uint64_t threshold);

// The distances as the module and the matrices report them: unbounded
// without a cutoff; with cutoff k, the bounded search, and a distance above
// k reported as k + 1 (saturating).
Result<std::uint64_t, DistanceMatrixTooLarge> lattice_levenshtein_with_cutoff(
    const PathLattice& left, const PathLattice& right, std::optional<std::uint64_t> cutoff,
    LatticeWorkspace& workspace);

Result<std::uint64_t, DistanceMatrixTooLarge> lattice_damerau_with_cutoff(
    const PathLattice& left, const PathLattice& right, std::optional<std::uint64_t> cutoff,
    LatticeWorkspace& workspace);

// The same on operands laid out once each (prepared_lattice.h), for a
// matrix that compares every query with every choice: the values and
// failures the lattices themselves give. An operand laid out for another
// metric, search or side is read again here, as a lattice is.
Result<std::uint64_t, DistanceMatrixTooLarge> lattice_distance_with_cutoff(
    LatticeMetric metric, const PreparedLattice& left, const PreparedLattice& right,
    std::optional<std::uint64_t> cutoff, LatticeWorkspace& workspace);

// The threshold tests on laid-out operands: what lattice_within_levenshtein
// or lattice_within_damerau answers on the lattices themselves. The search
// takes `workspace` as the fresh buffers it needs; operands laid out for
// another use are read again, as a lattice is.
Result<bool, DistanceMatrixTooLarge> lattice_within(LatticeMetric metric,
                                                    const PreparedLattice& left,
                                                    const PreparedLattice& right,
                                                    std::uint64_t threshold,
                                                    LatticeWorkspace& workspace);

}  // namespace lumra
