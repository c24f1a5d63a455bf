// Scratch buffers for the lattice searches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/lattice/chain_paths.h"
#include "core/lattice/internal/fill_columns.h"
#include "core/lattice/internal/node_steps.h"
#include "core/lattice/internal/reached_states.h"
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
  // Lattices of separate chains: their paths, and the string kernels'
  // buffers for comparing them (chain_paths.h).
  ChainPaths left_chains;
  ChainPaths right_chains;
  StringWorkspace strings;
  // The arcs of the two lattices as the inner loops read them: entering
  // arcs for the table fills, leaving arcs for the bounded searches.
  internal::NodeSteps left_steps;
  internal::NodeSteps right_steps;
  // Unbounded searches: the rows of distances (one row per left node, one
  // cell per right node, between the two start..end ranges) that are still
  // read, and how a row walks its columns.
  internal::TableRows table;
  internal::FillColumns columns;
  // Bounded searches: the distances reached so far, the states to expand
  // at the current distance and those to expand at the next one.
  internal::ReachedStates reached;
  std::vector<std::uint32_t> level;
  std::vector<std::uint32_t> next_level;

  std::size_t reserved_bytes() const {
    return left_chains.reserved_bytes() + right_chains.reserved_bytes() +
           left_steps.reserved_bytes() + right_steps.reserved_bytes() + table.reserved_bytes() +
           columns.reserved_bytes() + reached.reserved_bytes() +
           (level.capacity() + next_level.capacity()) * sizeof(std::uint32_t);
  }
};

}  // namespace lumra
