// The best normalized similarity over all pairs of two lists of strings,
// found with as few full distance computations as possible.
#pragma once

#include <cstdint>

#include "core/lattice/path_list_view.h"
#include "core/strings/string_workspace.h"
#include "ja/reading/string_trie.h"

namespace lumra::ja {

// Whether the rows of a search of strings up to `outer_longest` symbols
// through a trie or tree of strings up to `inner_longest` stay within some
// 16 MB.
inline bool rows_fit(std::uint64_t inner_longest, std::uint64_t outer_longest) {
  constexpr std::uint64_t kMaxRowCells = std::uint64_t{1} << 22;
  return (inner_longest + 1) * (outer_longest + 1) <= kMaxRowCells;
}

// Exactly best_pair_similarity(left, right): the highest similarity of any
// left string with any right string, 0.0 when either list is empty. A
// text's reading strings number in the thousands, so the plain pair loop
// costs millions of distances; here the longer list becomes a trie, each
// string of the other is compared with all of it at once, row by row down
// the trie, and a subtree that cannot beat the best similarity found so far
// is not entered. The best of a set does not depend on the order it is met
// in, so the value is the same.
double pruned_best_pair_similarity(PathListView left, PathListView right,
                                   StringWorkspace& workspace);

// The same between the strings of two finished tries, which the search
// walks in place: the one with more strings is searched, each string of the
// other is run against it.
double trie_best_pair_similarity(const StringTrie& left, const StringTrie& right,
                                 StringWorkspace& workspace);

}  // namespace lumra::ja
