// The combined distance of two dictionary texts: how far apart they are
// either as written or as read, whichever is closer. A transposed pair of
// characters in the surface is cheap even when it reshuffles the readings,
// and different spellings of the same sound are cheap through the readings.
#pragma once

#include <cstdint>
#include <optional>

#include "core/base/errors.h"
#include "core/lattice/lattice.h"
#include "core/lattice/lattice_workspace.h"
#include "core/lattice/prepared_lattice.h"
#include "core/base/result.h"
#include "core/strings/string_workspace.h"
#include "core/base/symbols.h"

namespace lumra {

// The smaller of the restricted Damerau distance of the two texts and the
// lattice Levenshtein distance of their reading lattices. With cutoff k,
// both halves run bounded and a result above k is reported as k + 1
// (saturating). Fails only when the reading lattices exceed the state limit.
Result<std::uint64_t, DistanceMatrixTooLarge> combined_text_distance(
    Symbols left_text, Symbols right_text, const PathLattice& left_lattice,
    const PathLattice& right_lattice, std::optional<std::uint64_t> cutoff,
    StringWorkspace& string_workspace, LatticeWorkspace& lattice_workspace);

// The same with reading lattices laid out once each, for the Levenshtein
// search with or without `cutoff` (prepared_lattice.h).
Result<std::uint64_t, DistanceMatrixTooLarge> combined_text_distance(
    Symbols left_text, Symbols right_text, const PreparedLattice& left_lattice,
    const PreparedLattice& right_lattice, std::optional<std::uint64_t> cutoff,
    StringWorkspace& string_workspace, LatticeWorkspace& lattice_workspace);

}  // namespace lumra
