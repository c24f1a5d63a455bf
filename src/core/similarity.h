// Normalized similarity: 1 - distance / longer length, in [0, 1].
//
// Scores between sets of alternatives are taken between explicit strings,
// pair by pair, never on lattices.
#pragma once

#include <cstdint>
#include <span>

#include "core/string_workspace.h"
#include "core/symbols.h"

namespace lumra {

double similarity_from_distance(std::uint64_t distance, std::uint64_t left_length,
                                std::uint64_t right_length);

// Similarity from the unbounded Levenshtein distance of the two sequences.
double string_similarity(Symbols left, Symbols right, StringWorkspace& workspace);

// The best string_similarity over all pairs, left by left and right by
// right, stopping at the first perfect pair; 0.0 when either list is empty.
template <class LeftList, class RightList>
double best_pair_similarity(const LeftList& left, const RightList& right,
                            StringWorkspace& workspace) {
  double best = 0.0;
  for (const auto& l : left) {
    for (const auto& r : right) {
      const double s = string_similarity(Symbols(l), Symbols(r), workspace);
      if (s > best) best = s;
      if (best == 1.0) return best;
    }
  }
  return best;
}

}  // namespace lumra
