// The compact lattice of a text's reading strings, built from their shared
// tails without writing one string out.
//
// PathLattice::from_paths_compact takes the strings one by one, and a long
// ambiguous text has max_paths strings each as long as its reading: at
// max_paths 16384, a 60,000-character text writes out gigabytes to end in
// a lattice of a few hundred thousand nodes. A TailTable (tail_table.h)
// already holds those strings as fronts in front of the ranked strings of
// later positions, and the strings of a position that share a prefix are
// consecutive ranks; so the prefix tree of the strings is walked here as
// sets of rank ranges, and a set that lies exactly at segment boundaries,
// "these ranks of that position", is one description for every place it
// recurs: its merged state is found once, however many strings pass through
// it.
//
// States are merged and numbered as from_paths_compact does (the same
// signatures, registered bottom-up in ascending symbol order), so the
// lattice is that builder's, node for node and arc for arc, and its node
// count is the one a search's state limit must see.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "core/base/result.h"
#include "core/lattice/lattice.h"
#include "core/lattice/lattice_error.h"
#include "core/segmentation/tail_table.h"

namespace lumra {

struct CompactTailLattice {
  // Absent when node_count exceeds the caller's limit: then only counted.
  std::optional<PathLattice> lattice;
  std::uint64_t node_count;
};

// Bounds the walk's own memory to about what writing the strings out would
// take. A walk whose open sets grow past `spare_items` plus a few items per
// level of the prefix tree or per merged state (strings that agree on a
// long stretch while their segments keep straddling each other), or that
// meets a reading that is not well-formed UTF-8 on its own, gives up.
inline constexpr std::size_t kCompactTailSpareItems = std::size_t{1} << 16;

// The lattice PathLattice::from_paths_compact would build from the strings
// of position 0 of the finished `table`, in any order (with its failures:
// Empty when there is no string, MixedEmptyAndNonEmptyPaths when the empty
// string is one of several), or only its node count when that exceeds
// `max_nodes`; fails with Interrupted when the thread's interruption source
// stops it. Nothing when the walk gives up: the caller then writes the
// strings out.
Result<std::optional<CompactTailLattice>, LatticeError> compact_tail_lattice(
    const TailTable& table, std::uint64_t max_nodes,
    std::size_t spare_items = kCompactTailSpareItems);

}  // namespace lumra
