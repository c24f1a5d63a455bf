// How many node-pair states a lattice search may use.
//
// A search keeps one distance and one flag for every pair of a left and a
// right node, so the product of the node counts is its memory. The limit
// is decided from the node counts alone, before anything is allocated, so
// a pair of lattices that is too large fails at once whatever the cutoff.
#pragma once

#include <cstdint>

#include "core/base/errors.h"
#include "core/lattice/lattice.h"
#include "core/base/result.h"

namespace lumra {

// Inclusive: exactly this many states are allowed.
inline constexpr std::uint64_t kMaxLatticeStates = 16000000;

// The number of states a search over lattices of `rows` and `cols` nodes
// needs, or the error when it exceeds the limit or does not even fit in 64
// bits. Callers that know the node counts before building a lattice ask
// this first, so an oversized input fails before it costs memory.
inline Result<std::uint64_t, DistanceMatrixTooLarge> lattice_state_count(std::uint64_t rows,
                                                                         std::uint64_t cols) {
  std::uint64_t states = 0;
  if (__builtin_mul_overflow(rows, cols, &states) || states > kMaxLatticeStates) {
    return Fail(DistanceMatrixTooLarge{rows, cols, kMaxLatticeStates});
  }
  return states;
}

inline Result<std::uint64_t, DistanceMatrixTooLarge> lattice_state_count(
    const PathLattice& left, const PathLattice& right) {
  return lattice_state_count(left.node_count(), right.node_count());
}

}  // namespace lumra
