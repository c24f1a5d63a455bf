// A text's reading lattice as a dictionary query holds it between building
// it and searching it.
//
// A lattice of more nodes than kMaxLatticeStates fails every search, since
// the other side of a search has at least one node. Its building may stop
// there instead of taking gigabytes for a long, ambiguous text; the text
// is then known to be readable, and too large to compare, which is only
// reported when a search is attempted. So a batch whose other list is
// empty still returns its empty rows, and a later text that cannot be
// read at all still reports its own error first, as if the lattice had
// been built whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>

#include "core/base/errors.h"
#include "core/base/result.h"
#include "core/lattice/lattice.h"
#include "core/lattice/lattice_state_limit.h"

namespace lumra::python {

struct QueryLattice {
  static QueryLattice whole(PathLattice lattice) {
    const std::uint64_t nodes = lattice.node_count();
    return {std::move(lattice), nodes};
  }
  // A lattice with the strings of one that would have had `built_nodes`
  // nodes, for the state limit.
  static QueryLattice compacted(PathLattice lattice, std::uint64_t built_nodes) {
    return {std::move(lattice), built_nodes};
  }
  static QueryLattice beyond_search(std::uint64_t nodes_reached) {
    return {std::nullopt, nodes_reached};
  }

  std::optional<PathLattice> lattice;  // absent when building stopped at the limit
  std::uint64_t nodes;  // its node count as built, or the nodes reached before stopping

  // The heap the lattice takes, about: its arcs and both arc indexes.
  std::size_t memory_bytes() const {
    if (!lattice) return 0;
    return lattice->arcs().size() * (sizeof(LatticeArc) + 2 * sizeof(ArcIndex)) +
           static_cast<std::size_t>(lattice->node_count() + 1) * 2 * sizeof(std::size_t);
  }
};

// Runs `search(left, right)` (returning Result<T, DistanceMatrixTooLarge>)
// on two whole lattices, or fails as the search would have on a lattice
// that outgrew the limit, with the node counts known.
template <class Search>
auto search_pair(const QueryLattice& left, const QueryLattice& right, Search&& search)
    -> decltype(search(*left.lattice, *right.lattice)) {
  if (!left.lattice || !right.lattice) {
    return Fail(DistanceMatrixTooLarge{left.nodes, right.nodes, kMaxLatticeStates});
  }
  auto states = lattice_state_count(left.nodes, right.nodes);
  if (!states.ok()) return Fail(states.error());
  return search(*left.lattice, *right.lattice);
}

}  // namespace lumra::python
