// The alternatives of a lattice made of separate chains.
//
// The chain builder gives every path of a list its own chain of nodes
// between a shared start and end, so the module's path lists (and any
// lattice shaped like them) spell exactly their paths, and a distance
// between two such lattices is the best pair of their paths' string
// distances. ChainPaths recognises that shape and reads the paths back,
// so the lattice searches can hand such pairs to the string kernels, which
// are far faster than a search over every pair of nodes.
//
// The shape: within the start..end range, every node strictly between the
// two has exactly one arc in and one arc out. Walking back along arcs in
// from any such node then ends at the start, and walking forward ends at
// the end, so each lies on exactly one start-to-end path and the paths
// share no node but the two endpoints. Arcs leaving the range are ignored,
// as the searches ignore them: no start-to-end path uses them.
#pragma once

#include <cstddef>
#include <vector>

#include "core/lattice/lattice.h"
#include "core/base/symbols.h"

namespace lumra {

class ChainPaths {
 public:
  // Reads the paths of `lattice` and returns true when it has the shape
  // above and at least one start-to-end path; otherwise returns false and
  // the contents mean nothing. A lattice whose start is its end has one
  // path, the empty one. Storage is kept across calls and only grows.
  bool assign(const PathLattice& lattice);

  std::size_t size() const { return offsets_.empty() ? 0 : offsets_.size() - 1; }
  Symbols operator[](std::size_t path) const {
    return Symbols(symbols_).subspan(offsets_[path], offsets_[path + 1] - offsets_[path]);
  }

  std::size_t reserved_bytes() const {
    return offsets_.capacity() * sizeof(std::size_t) + symbols_.capacity() * sizeof(Symbol);
  }

 private:
  // Path p is symbols_[offsets_[p] .. offsets_[p + 1]); empty before the
  // first assign, so that a workspace costs nothing until it is used.
  std::vector<std::size_t> offsets_;
  std::vector<Symbol> symbols_;
};

}  // namespace lumra
