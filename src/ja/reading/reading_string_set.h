// The reading strings of a text as a set for the best-pair search.
//
// The normalized metrics only take the best pair of two texts' reading
// strings, so neither the order of a text's strings nor their repeats
// matter, and writing them out is most of the cost: here every reading
// path is kept as its variant lists in a SpellingTree, which the pair
// search spells only where it looks. Whether the string form would fail,
// and with which error, is still decided as reading_strings decides it, by
// counting instead of writing. A text whose spellings, repeats counted,
// may pass the bound on its distinct strings has them spelled into a
// StringTrie, which counts them exactly; one whose trie would grow too
// large keeps them as a list. A tree is turned into a graded graph when a
// pair search first needs one, and the set keeps it (kept_graph.h): the
// strings never change once made, so calls and threads may share the set
// and its graph.
#pragma once

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

#include "core/base/result.h"
#include "core/base/symbols.h"
#include "core/strings/graded_dag.h"
#include "core/strings/string_workspace.h"
#include "ja/japanese_distance_error.h"
#include "ja/reading/kept_graph.h"
#include "ja/reading/reading_options.h"
#include "ja/reading/spelling_tree.h"
#include "ja/reading/string_trie.h"
#include "ja/unidic/reading_index.h"

namespace lumra::ja {

// Exactly the strings of reading_strings, as a set. A text whose strings
// would outgrow the trie keeps them as a list instead.
class ReadingStringSet {
 public:
  // The strings of `text`, or the error reading_strings gives for it. The
  // tree and the trie may take `max_trie_nodes` nodes each (the tree at
  // most its own default); without `spelling_tree` the trie is the first
  // form tried.
  static Result<ReadingStringSet, JapaneseDistanceError> of(
      const UnidicReadingIndex& index, std::string_view text, const ReadingOptions& options,
      std::size_t max_trie_nodes = StringTrie::kDefaultMaxNodes, bool spelling_tree = true);

  // The best similarity of a string of `left` with one of `right`
  // (best_pair_similarity), 0.0 when either is empty. Two trees are first
  // searched string by string, for a thousand rows and `rows_per_tree_node`
  // more per node of the two trees, and then, if it has not ended, through
  // one table over their graded graphs (graded_spelling_graph.h), which
  // costs the same whether the texts read alike or not. Graphs that an
  // earlier search made are used as they are.
  friend double best_similarity(const ReadingStringSet& left, const ReadingStringSet& right,
                                StringWorkspace& workspace, std::uint64_t rows_per_tree_node);

  std::uint64_t size() const;
  // The heap the set takes, about, its graph included once a search has
  // made it.
  std::size_t memory_bytes() const;
  // The distinct strings as a list, written out from the tree or the trie
  // when they are in one.
  std::vector<std::vector<Symbol>> strings() const;

  enum class Form : std::uint8_t { Tree, Trie, Listed };
  Form form() const { return form_; }
  // Whether a search has made the tree's graph (or found it too large).
  bool graph_made() const { return graph_.find() != nullptr; }

 private:
  explicit ReadingStringSet(std::size_t max_trie_nodes)
      : tree_(std::min(max_trie_nodes, SpellingTree::kDefaultMaxNodes)), trie_(max_trie_nodes) {}

  // The tree's graph, made now if it was not: nullptr when the tree is too
  // large for one, or when the making was interrupted (which is not kept,
  // since the call that asked discards its answer).
  const GradedDag* graph() const;

  Form form_ = Form::Tree;
  SpellingTree tree_;
  std::uint64_t spelled_strings_ = 0;  // by the tree's paths, repeats counted
  StringTrie trie_;
  std::vector<std::vector<Symbol>> list_;
  // Most pairs never need it.
  mutable KeptGraph graph_;
};

// Rows of the tree search worth as much as making the graph of a tree
// node.
inline constexpr std::uint64_t kRowsPerTreeNode = 4;

double best_similarity(const ReadingStringSet& left, const ReadingStringSet& right,
                       StringWorkspace& workspace,
                       std::uint64_t rows_per_tree_node = kRowsPerTreeNode);

}  // namespace lumra::ja
