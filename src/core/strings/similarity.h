// Normalized similarity: 1 - distance / longer length, in [0, 1].
//
// Scores between sets of alternatives are taken between explicit strings,
// pair by pair, never on lattices.
#pragma once

#include <cstdint>

#include "core/lattice/path_list_view.h"
#include "core/strings/string_workspace.h"
#include "core/base/symbols.h"

namespace lumra {

double similarity_from_distance(std::uint64_t distance, std::uint64_t left_length,
                                std::uint64_t right_length);

// Similarity from the unbounded Levenshtein distance of the two sequences.
double string_similarity(Symbols left, Symbols right, StringWorkspace& workspace);

// The best string_similarity over all pairs, left by left and right by
// right, stopping at the first perfect pair; 0.0 when either list is empty.
double best_pair_similarity(PathListView left, PathListView right, StringWorkspace& workspace);

}  // namespace lumra
