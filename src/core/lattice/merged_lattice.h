// merge_equivalent_nodes: a lattice with the same strings and fewer nodes.
//
// Every lattice distance is the smallest distance between a string of one
// lattice and a string of the other (for the restricted Damerau distance
// too: a transposition crosses two consecutive arcs of one path of each
// side), so it depends only on the two sets of strings, not on how a
// lattice lays them out. A reading lattice spells each reading path as its
// own chain between the shared start and end, so paths that agree on a
// long ending or beginning repeat it node for node; merging the nodes that
// lead to the same strings, and then those reached by the same strings,
// shrinks it by an order of magnitude, and a search costs the product of
// the two node counts.
#pragma once

#include <cstdint>
#include <vector>

#include "core/base/result.h"
#include "core/lattice/lattice.h"
#include "core/lattice/lattice_error.h"

namespace lumra {

// A lattice spelling exactly the strings of `lattice`, every node on a
// start-to-end path: first the nodes with the same strings after them are
// merged, then the nodes with the same strings before them. A lattice whose
// end no path reaches is returned as it is. Fails only with Interrupted,
// when the thread's interruption source stops the final building.
Result<PathLattice, LatticeError> merge_equivalent_nodes(const PathLattice& lattice);

// The same for a lattice whose endings are merged already, given as its
// parts: every node lies on a start-to-end path, only the end has no arcs
// out, and no two nodes have the same set of (symbol, target) arcs out.
// Then merging endings would keep every node as it stands, so only the
// beginnings are merged, and the lattice is the one merge_equivalent_nodes
// gives on from_arcs(node_count, start, end, arcs), arc for arc. The arcs
// lead upwards between nodes below node_count, in any order.
Result<PathLattice, LatticeError> merge_equivalent_beginnings(std::uint64_t node_count,
                                                              std::uint64_t start,
                                                              std::uint64_t end,
                                                              std::vector<LatticeArc> arcs);

}  // namespace lumra
