// Scratch buffers for the lattice searches.
#pragma once

#include <cstdint>
#include <vector>

#include "core/pair_queue.h"

namespace lumra {

// Buffers owned by the caller and lent to one lattice search at a time: one
// distance and one in-queue flag per node-pair state, stored row-major
// (left node major), and the search queue. They only grow, so a batch of
// searches stops allocating once they fit the largest pair of lattices.
// Contents between calls mean nothing; every search initialises what it
// reads. The unbounded searches use only the distances.
struct LatticeWorkspace {
  std::vector<std::uint64_t> distances;
  std::vector<std::uint8_t> in_queue;
  PairQueue queue;
};

}  // namespace lumra
