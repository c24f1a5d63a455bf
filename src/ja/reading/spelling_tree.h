// SpellingTree: a text's reading paths as a tree of variant lists.
//
// The best pair search of two texts' reading strings only ever visits a
// sliver of their spellings: a few thousand of the hundreds of thousands of
// prefixes that a kanji text with many readings spells. Spelling them all
// into a trie of characters costs far more than the search. Here each path
// is kept as its variant lists, paths that begin with the same lists share
// a branch, and the search spells the branches it enters as it goes
// (tree_pair_similarity.h). The tree does not merge paths that spell the
// same string by other lists, so a string may be met more than once: the
// best of a set does not care.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "core/base/symbols.h"
#include "core/base/utf8.h"
#include "ja/romaji/variant_lists.h"
#include "ja/romaji/vowel_class.h"

namespace lumra::ja {

class SpellingTree {
 public:
  using NodeId = std::uint32_t;
  static constexpr NodeId kNone = std::numeric_limits<NodeId>::max();
  static constexpr NodeId kRoot = 0;

  // A node stands for one variant list behind the lists of its ancestors;
  // the root has none.
  struct Node {
    NodeId first_child = kNone;
    NodeId next_sibling = kNone;
    std::optional<VariantList> list;  // absent: the long vowel mark
    // Some path ends with this node's list.
    bool ends_path = false;
    // The fewest and the most characters that this node's list and the
    // lists of a path below it spell (finish()).
    std::uint32_t shortest_rest = 0;
    std::uint32_t longest_rest = 0;
  };

  // An empty tree that may grow to `max_nodes` nodes (the root included).
  explicit SpellingTree(std::size_t max_nodes = kDefaultMaxNodes);

  // Adds the path whose variant lists are `lists`; false when the tree is
  // full, after which it is incomplete. The caller may tell that the first
  // `same_as_last` lists are those of the path added last, which are then
  // not compared again.
  bool add(const UnitVariantLists& lists, std::size_t same_as_last = 0);
  // Computes the lengths; call once, when all paths are in.
  void finish();

  const Node& node(NodeId n) const { return nodes_[n]; }
  std::size_t node_count() const { return nodes_.size(); }
  // The heap the tree takes, about.
  std::size_t memory_bytes() const {
    return nodes_.capacity() * sizeof(Node) + last_path_.capacity() * sizeof(NodeId);
  }
  bool empty() const { return paths_ == 0; }
  // The longest string (after finish()).
  std::uint32_t longest() const { return nodes_[kRoot].longest_rest; }

  // Calls `visit(Symbols)` with every string, as often as the paths spell
  // it, until it returns false.
  template <class Visit>
  void for_each_string(Visit&& visit) const;
  // The distinct strings, written out, in no promised order.
  std::vector<std::vector<Symbol>> strings() const;

  // Some 60 MB of nodes; a text past it is spelled into a StringTrie.
  static constexpr std::size_t kDefaultMaxNodes = std::size_t{1} << 20;

 private:
  NodeId child_with(NodeId parent, const std::optional<VariantList>& list);

  std::vector<Node> nodes_;
  std::size_t max_nodes_;
  std::uint64_t paths_ = 0;
  // The nodes of the last path added, root first, to resume from.
  std::vector<NodeId> last_path_;
};

template <class Visit>
void SpellingTree::for_each_string(Visit&& visit) const {
  struct Frame {
    NodeId node;
    VowelClass last_vowel;
    std::size_t length;  // of the prefix before the node's list
    std::size_t variant;  // the next variant to spell
  };
  std::vector<Symbol> prefix;
  if (nodes_[kRoot].ends_path && !visit(Symbols(prefix))) return;
  std::vector<Frame> stack;
  for (NodeId c = nodes_[kRoot].first_child; c != kNone; c = nodes_[c].next_sibling) {
    stack.push_back({c, VowelClass::None, 0, 0});
  }
  while (!stack.empty()) {
    Frame& frame = stack.back();
    const Node& at = nodes_[frame.node];
    const VariantList& variants = at.list ? *at.list : long_vowel_variants(frame.last_vowel);
    if (frame.variant == variants.size()) {
      stack.pop_back();
      continue;
    }
    const RomajiVariant& variant = variants.begin()[frame.variant++];
    prefix.resize(frame.length);
    append_utf8(variant.text(), prefix);
    if (at.ends_path && !visit(Symbols(prefix))) return;
    const Frame below{0, vowel_class_after(frame.last_vowel, variant.text()), prefix.size(), 0};
    for (NodeId c = at.first_child; c != kNone; c = nodes_[c].next_sibling) {
      stack.push_back({c, below.last_vowel, below.length, 0});
    }
  }
}

}  // namespace lumra::ja
