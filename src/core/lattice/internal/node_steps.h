// The arcs of a lattice laid out for the inner loops of the searches.
//
// PathLattice lists each node's arcs as indices into its arc array, so a
// search that reads an arc's other end and symbol jumps twice through
// memory per arc. NodeSteps copies, for one stretch of nodes, each node's
// arcs as (other end, symbol) pairs side by side, in arc order, with node
// numbers made relative to the stretch. Arcs whose other end lies outside
// the stretch are left out: the searches never use them (a state outside
// the start..end ranges can neither be reached from the start pair nor
// lead to the end pair within them).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/lattice/lattice.h"
#include "core/base/symbols.h"

namespace lumra::internal {

// One arc seen from one of its ends.
struct Step {
  std::uint32_t node;  // the other end, relative to the first node of the stretch
  Symbol symbol;
};

class NodeSteps {
 public:
  enum class Direction { kIncoming, kOutgoing };

  // Lays out the arcs of nodes first .. last (inclusive) in `direction`.
  // The stretch must pass the state limit, which keeps its node numbers
  // within 32 bits. Storage is kept across calls and only grows.
  void assign(const PathLattice& lattice, std::uint64_t first, std::uint64_t last,
              Direction direction);

  // The arcs of node `node` (relative), in arc order.
  std::span<const Step> of(std::uint32_t node) const {
    return {steps_.data() + offsets_[node], steps_.data() + offsets_[node + 1]};
  }

  // Every node's arcs, one node after the other: of(node) is a stretch of
  // it.
  const Step* all() const { return steps_.data(); }

  std::size_t reserved_bytes() const {
    return offsets_.capacity() * sizeof(std::size_t) + steps_.capacity() * sizeof(Step);
  }

 private:
  std::vector<std::size_t> offsets_;  // nodes + 1 entries
  std::vector<Step> steps_;
};

}  // namespace lumra::internal
