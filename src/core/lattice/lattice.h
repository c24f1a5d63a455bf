// PathLattice: a set of alternative strings held as one acyclic graph.
//
// Nodes are numbered 0 .. node_count - 1 and every arc leads from a lower to
// a higher node, so node order is a topological order and the metrics can
// fill their tables in plain index order. Each start-to-end path spells one
// alternative, the sequence of its arcs' symbols. A lattice of one node with
// no arcs spells exactly the empty string.
//
// Lattices are built only through the validated constructors below (from_arcs
// here, the path-list builders in lattice_builders.cpp) and are immutable
// afterwards, so the metrics may share one across threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/lattice/lattice_error.h"
#include "core/lattice/path_list_view.h"
#include "core/base/result.h"
#include "core/base/symbols.h"

namespace lumra {

struct LatticeArc {
  std::uint64_t src;
  std::uint64_t dst;  // always greater than src
  Symbol symbol;
};

// Arcs are identified by their position in the lattice's arc array.
using ArcIndex = std::size_t;

class PathLattice {
 public:
  // Validates and adopts `arcs`, keeping their order. Fails with the first
  // problem in this order: no node at all; bad endpoints; then, arc by arc,
  // a source out of range, a destination out of range, a backward arc.
  // Unreachable nodes, parallel arcs and an end that no path reaches are
  // all accepted; the metrics deal with them. A long arc list may also fail
  // with Interrupted (core/base/interruption.h), so even a producer whose
  // arcs are valid by construction checks the result; so do the path-list
  // builders' callers, which build through here.
  static Result<PathLattice, LatticeError> from_arcs(std::uint64_t node_count, std::uint64_t start,
                                                     std::uint64_t end,
                                                     std::vector<LatticeArc> arcs);

  // The one-node lattice that spells only the empty string.
  static PathLattice empty_string();

  // One chain of fresh nodes per path between a shared start and end; no
  // prefix is shared and duplicates are kept. Node numbers follow the list
  // order, which callers (and their tests) rely on.
  static Result<PathLattice, LatticeError> from_paths(PathListView paths);

  // The same set of strings as a deterministic lattice: common prefixes and
  // equivalent endings merged, duplicates collapsed.
  static Result<PathLattice, LatticeError> from_paths_compact(PathListView paths);

  std::uint64_t node_count() const { return node_count_; }
  std::uint64_t start() const { return start_; }
  std::uint64_t end() const { return end_; }
  std::span<const LatticeArc> arcs() const { return arcs_; }
  const LatticeArc& arc(ArcIndex index) const { return arcs_[index]; }

  // Indices of the arcs entering / leaving `node`, in increasing arc order.
  // `node` must be below node_count().
  std::span<const ArcIndex> incoming(std::uint64_t node) const {
    return adjacent(incoming_offsets_, incoming_arcs_, node);
  }
  std::span<const ArcIndex> outgoing(std::uint64_t node) const {
    return adjacent(outgoing_offsets_, outgoing_arcs_, node);
  }

 private:
  PathLattice() = default;

  // Offsets are kept only up to the highest node an arc touches (see
  // from_arcs); every node above it has no arcs at all.
  static std::span<const ArcIndex> adjacent(const std::vector<std::size_t>& offsets,
                                            const std::vector<ArcIndex>& flat, std::uint64_t node) {
    if (node + 1 >= offsets.size()) return {};
    return {flat.data() + offsets[node], flat.data() + offsets[node + 1]};
  }

  std::uint64_t node_count_ = 1;
  std::uint64_t start_ = 0;
  std::uint64_t end_ = 0;
  std::vector<LatticeArc> arcs_;
  // Compressed adjacency: the arcs of node n are flat[offsets[n] .. offsets[n + 1]).
  std::vector<std::size_t> incoming_offsets_;
  std::vector<ArcIndex> incoming_arcs_;
  std::vector<std::size_t> outgoing_offsets_;
  std::vector<ArcIndex> outgoing_arcs_;
};

}  // namespace lumra
