// Scratch buffers for the lattice searches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/lattice/internal/reached_states.h"
#include "core/lattice/prepared_lattice.h"
#include "core/strings/string_workspace.h"
#include "core/lattice/internal/table_rows.h"

namespace lumra {

// Buffers owned by the caller and lent to one lattice search at a time.
// They only grow (the bounded searches' hash table excepted, see
// reached_states.h), so a batch of searches stops allocating once they fit
// the largest pair of lattices. Contents between calls mean nothing; every
// search initialises what it reads. Nothing is allocated for a pair of
// lattices beyond the state limit.
struct LatticeWorkspace {
  // The two lattices of a search that was not given them laid out
  // (prepared_lattice.h): their paths when both are made of separate
  // chains, else their arcs as the inner loops read them.
  PreparedLattice left;
  PreparedLattice right;
  // The string kernels' buffers for comparing two lists of chains.
  StringWorkspace strings;
  // Unbounded searches: the rows of distances (one row per left node, one
  // cell per right node, between the two start..end ranges) that are still
  // read.
  internal::TableRows table;
  // Bounded searches: the distances reached so far, the states to expand
  // at the current distance and those to expand at the next one.
  internal::ReachedStates reached;
  std::vector<std::uint32_t> level;
  std::vector<std::uint32_t> next_level;

  std::size_t reserved_bytes() const {
    return left.reserved_bytes() + right.reserved_bytes() + table.reserved_bytes() +
           reached.reserved_bytes() +
           (level.capacity() + next_level.capacity()) * sizeof(std::uint32_t);
  }
};

}  // namespace lumra
