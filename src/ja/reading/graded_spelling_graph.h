// The strings of a SpellingTree as a GradedDag, built without writing them
// out.
//
// A kanji text read many ways spells tens of thousands of strings, but they
// end in few ways: readings differ at a few places and run on alike. The
// graph shares equal endings (nodes of one depth, one finality and the
// same arcs are one node), so it keeps a few hundred nodes where the
// strings hold hundreds of thousands of symbols, and the best pair of two
// texts takes one table over their nodes (core/strings/graded_dag.h)
// instead of a search among their strings.
#pragma once

#include <cstddef>
#include <optional>

#include "core/strings/graded_dag.h"
#include "ja/reading/spelling_tree.h"

namespace lumra::ja {

// The states a graph of a tree may go through and its nodes, together;
// their arcs may be four times as many (some 40 MB in all).
inline constexpr std::size_t kMaxGradedStates = std::size_t{1} << 18;

// The distinct strings of `tree` (finished) as a graded graph, or nullopt
// when building it would go through more than `max_states` states and
// nodes (a state is a branch of the tree with a given vowel class before it
// and a given length spelled up to it) or four times as many arcs.
// Interrupted builds return nullopt too.
std::optional<GradedDag> graded_spelling_graph(const SpellingTree& tree,
                                               std::size_t max_states = kMaxGradedStates);

}  // namespace lumra::ja
