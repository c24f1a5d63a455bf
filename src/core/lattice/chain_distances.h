// Lattice distances between two lattices of separate chains
// (chain_paths.h): the best pair of their paths, by the string kernels.
//
// Internal to lattice_distance.cpp, which checks the state limit first and
// takes the node-pair searches for every other shape. The results are the
// searches': a lattice of separate chains spells exactly its paths, and a
// transposition never spans two paths, since consecutive arcs always lie
// on one chain.
#pragma once

#include <cstdint>
#include <optional>

#include "core/lattice/chain_paths.h"
#include "core/strings/string_workspace.h"

namespace lumra {

enum class ChainMetric { kLevenshtein, kDamerau };

// The smallest distance over all pairs of paths; both lists are non-empty.
std::uint64_t chain_distance(ChainMetric metric, const ChainPaths& left, const ChainPaths& right,
                             StringWorkspace& workspace);

// That distance when it is at most `bound`, else nothing.
std::optional<std::uint64_t> chain_distance_within(ChainMetric metric, const ChainPaths& left,
                                                   const ChainPaths& right, std::uint64_t bound,
                                                   StringWorkspace& workspace);

}  // namespace lumra
