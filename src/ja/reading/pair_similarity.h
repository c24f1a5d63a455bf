// The best normalized similarity over all pairs of two lists of strings,
// found with as few full distance computations as possible.
#pragma once

#include "core/lattice/path_list_view.h"
#include "core/strings/string_workspace.h"

namespace lumra::ja {

// Exactly best_pair_similarity(left, right): the highest similarity of any
// left string with any right string, 0.0 when either list is empty. A
// text's reading strings number in the hundreds, so the plain pair loop
// costs a full distance per pair; here each pair is only searched up to the
// distance that would still beat the best similarity found so far, and a
// pair whose lengths alone rule that out is not searched at all. The best
// of a set does not depend on the order it is met in, so the value is the
// same.
double pruned_best_pair_similarity(PathListView left, PathListView right,
                                   StringWorkspace& workspace);

}  // namespace lumra::ja
