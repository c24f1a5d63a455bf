// The bounded lattice searches and threshold tests: only states within the
// bound are ever expanded.
//
// Internal to lattice_distance.cpp; callers go through lattice_distance.h,
// which checks the state limit first.
#pragma once

#include <cstdint>

#include "core/lattice/lattice_workspace.h"
#include "core/lattice/prepared_lattice.h"

namespace lumra::internal {

struct BoundedSearchOutcome {
  // Whether the end pair was reached within the bound.
  bool reached_end;
  // Its distance then, else kLatticeInfinity.
  std::uint64_t end_distance;
};

// The pair must already have passed the state limit, and be laid out for
// the bounded search.
BoundedSearchOutcome levenshtein_bounded_search(const PreparedLattice& left,
                                                const PreparedLattice& right, std::uint64_t bound,
                                                LatticeWorkspace& workspace);
BoundedSearchOutcome damerau_bounded_search(const PreparedLattice& left,
                                            const PreparedLattice& right, std::uint64_t bound,
                                            LatticeWorkspace& workspace);

}  // namespace lumra::internal
