// The best normalized similarity between the strings of two SpellingTrees,
// spelled only as far as the search needs them.
#pragma once

#include <cstdint>

#include "ja/reading/spelling_tree.h"

namespace lumra::ja {

// Exactly best_pair_similarity over the two trees' strings: the highest
// similarity of a string of `outer` with a string of `inner`, 0.0 when
// either is empty. Each string of `outer` is run against `inner` row by row
// down its branches, spelling each branch as it is entered, and a branch
// whose strings cannot beat the best so far (by its rows and the lengths it
// may still spell) is not entered. The rows take (longest of `outer` + 1) x
// (longest of `inner` + 1) cells: callers keep that small. `outer_spelled`
// is the number of strings that `outer`'s paths spell, repeats counted:
// past kMostRepeatedOuterStrings they are made distinct first.
double tree_best_pair_similarity(const SpellingTree& inner, const SpellingTree& outer,
                                 std::uint64_t outer_spelled);

inline constexpr std::uint64_t kMostRepeatedOuterStrings = 256;

}  // namespace lumra::ja
