// Normalized similarity: 1 - distance / longer length, in [0, 1].
//
// Scores between sets of alternatives are taken between explicit strings,
// pair by pair, never on lattices.
#pragma once

#include <algorithm>
#include <cstdint>

#include "core/lattice/path_list_view.h"
#include "core/strings/string_workspace.h"
#include "core/base/symbols.h"

namespace lumra {

// 1 - distance / longer length, clamped to [0, 1]; 1.0 for two empty texts.
// Inline: batch rows and the cutoff bounds call it per cell.
inline double similarity_from_distance(std::uint64_t distance, std::uint64_t left_length,
                                       std::uint64_t right_length) {
  const std::uint64_t longer = std::max(left_length, right_length);
  if (longer == 0) return 1.0;
  const double similarity = 1.0 - static_cast<double>(distance) / static_cast<double>(longer);
  return std::clamp(similarity, 0.0, 1.0);
}

// Similarity from the unbounded Levenshtein distance of the two sequences.
double string_similarity(Symbols left, Symbols right, StringWorkspace& workspace);

// The best string_similarity over all pairs, left by left and right by
// right, stopping at the first perfect pair; 0.0 when either list is empty.
double best_pair_similarity(PathListView left, PathListView right, StringWorkspace& workspace);

}  // namespace lumra
