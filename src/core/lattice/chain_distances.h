// Lattice distances between lists of paths that stand for lattices of
// separate chains (chain_paths.h): the best pair of their paths, by the
// string kernels.
//
// Used by lattice_distance.cpp, which checks the state limit first and takes
// the node-pair searches for every other shape, and by the path metrics,
// which compare path lists without building their chain lattices. The
// results are the searches': a lattice of separate chains spells exactly its
// paths, and a transposition never spans two paths, since consecutive arcs
// always lie on one chain.
#pragma once

#include <cstdint>
#include <optional>

#include "core/lattice/path_list_view.h"
#include "core/strings/string_workspace.h"

namespace lumra {

enum class ChainMetric { kLevenshtein, kDamerau };

// The smallest distance over all pairs of paths; both lists are non-empty,
// and their chain lattices within the state limit.
std::uint64_t chain_distance(ChainMetric metric, PathListView left, PathListView right,
                             StringWorkspace& workspace);

// That distance when it is at most `bound`, else nothing.
std::optional<std::uint64_t> chain_distance_within(ChainMetric metric, PathListView left,
                                                   PathListView right, std::uint64_t bound,
                                                   StringWorkspace& workspace);

}  // namespace lumra
