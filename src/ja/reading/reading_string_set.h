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
// pair search needs one, and the call keeps it (SearchedStringSet): a set
// never changes once made, so calls and threads may share it.
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
#include "ja/reading/reading_options.h"
#include "ja/reading/spelling_tree.h"
#include "ja/reading/string_trie.h"
#include "ja/unidic/reading_index.h"

namespace lumra::ja {

class SearchedStringSet;

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
  // costs the same whether the texts read alike or not.
  friend double best_similarity(SearchedStringSet& left, SearchedStringSet& right,
                                StringWorkspace& workspace,
                                std::uint64_t rows_per_tree_node);
  friend class SearchedStringSet;

  std::uint64_t size() const;
  // The heap the set takes, about, before any search has run on it.
  std::size_t memory_bytes() const;
  // The distinct strings as a list, written out from the tree or the trie
  // when they are in one.
  std::vector<std::vector<Symbol>> strings() const;

  enum class Form : std::uint8_t { Tree, Trie, Listed };
  Form form() const { return form_; }

 private:
  explicit ReadingStringSet(std::size_t max_trie_nodes)
      : tree_(std::min(max_trie_nodes, SpellingTree::kDefaultMaxNodes)), trie_(max_trie_nodes) {}

  Form form_ = Form::Tree;
  SpellingTree tree_;
  std::uint64_t spelled_strings_ = 0;  // by the tree's paths, repeats counted
  StringTrie trie_;
  std::vector<std::vector<Symbol>> list_;
};

// Rows of the tree search worth as much as making the graph of a tree
// node.
inline constexpr std::uint64_t kRowsPerTreeNode = 4;

// A set as the searches of one call see it. The tree's strings as a graded
// graph are made the first time a search needs them (most pairs never do)
// and kept for the other cells of the call's matrix. Belongs to one call,
// on one thread, like every other buffer of the call: nothing is guarded.
class SearchedStringSet {
 public:
  explicit SearchedStringSet(const ReadingStringSet& set) : set_(&set) {}

 private:
  friend double best_similarity(SearchedStringSet& left, SearchedStringSet& right,
                                StringWorkspace& workspace,
                                std::uint64_t rows_per_tree_node);
  const GradedDag* graph();

  const ReadingStringSet* set_;
  std::optional<GradedDag> graph_;
  bool graph_tried_ = false;
};

double best_similarity(SearchedStringSet& left, SearchedStringSet& right,
                       StringWorkspace& workspace,
                       std::uint64_t rows_per_tree_node = kRowsPerTreeNode);

// The same for one pair of sets.
inline double best_similarity(const ReadingStringSet& left, const ReadingStringSet& right,
                              StringWorkspace& workspace,
                              std::uint64_t rows_per_tree_node = kRowsPerTreeNode) {
  SearchedStringSet searched_left(left);
  SearchedStringSet searched_right(right);
  return best_similarity(searched_left, searched_right, workspace, rows_per_tree_node);
}

}  // namespace lumra::ja
