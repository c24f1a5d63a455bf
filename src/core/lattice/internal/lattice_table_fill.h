// The unbounded lattice searches: a table over every pair of nodes.
//
// Internal to lattice_distance.cpp; callers go through lattice_distance.h,
// which checks the state limit first.
#pragma once

#include <cstdint>

#include "core/lattice/lattice_workspace.h"
#include "core/lattice/prepared_lattice.h"

namespace lumra::internal {

// The Levenshtein / restricted Damerau distance between the two lattices,
// kLatticeInfinity when no pair of start-to-end paths exists. The pair must
// already have passed the state limit, and be laid out for the table fill
// of its metric, each on its side.
std::uint64_t levenshtein_table_fill(const PreparedLattice& left, const PreparedLattice& right,
                                     LatticeWorkspace& workspace);
std::uint64_t damerau_table_fill(const PreparedLattice& left, const PreparedLattice& right,
                                 LatticeWorkspace& workspace);

}  // namespace lumra::internal
