#include "ja/reading/pair_similarity.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "core/base/interruption.h"
#include "core/strings/cached_metrics.h"
#include "core/strings/similarity.h"
#include "core/strings/similarity_bound.h"

namespace lumra::ja {

namespace {

// The strings of one list as a trie. The reading strings of a text are its
// spellings, which share long beginnings, so the trie has far fewer nodes
// than the strings have symbols, and a distance row computed for a node
// serves every string through it.
class StringTrie {
 public:
  struct Node {
    std::uint32_t first_child = kNone;
    std::uint32_t next_sibling = kNone;
    Symbol symbol = 0;
    std::uint32_t depth = 0;
    // The length of the longest string through this node.
    std::uint32_t longest_below = 0;
    bool ends_string = false;
  };
  static constexpr std::uint32_t kNone = ~std::uint32_t{0};

  // False, with the trie unusable, once it would pass `max_nodes` nodes.
  bool build(PathListView strings, std::size_t max_nodes) {
    nodes_.assign(1, Node{});
    for (std::size_t s = 0; s < strings.size(); ++s) {
      if (!insert(strings[s], max_nodes)) return false;
    }
    return true;
  }

  const Node& node(std::uint32_t n) const { return nodes_[n]; }
  std::uint32_t longest() const { return nodes_[0].longest_below; }

 private:
  bool insert(Symbols text, std::size_t max_nodes) {
    std::uint32_t at = 0;
    const auto length = static_cast<std::uint32_t>(text.size());
    nodes_[0].longest_below = std::max(nodes_[0].longest_below, length);
    for (const Symbol symbol : text) {
      std::uint32_t child = nodes_[at].first_child;
      while (child != kNone && nodes_[child].symbol != symbol) child = nodes_[child].next_sibling;
      if (child == kNone) {
        if (nodes_.size() >= max_nodes) return false;
        child = static_cast<std::uint32_t>(nodes_.size());
        Node fresh;
        fresh.next_sibling = nodes_[at].first_child;
        fresh.symbol = symbol;
        fresh.depth = nodes_[at].depth + 1;
        nodes_[at].first_child = child;
        nodes_.push_back(fresh);
      }
      at = child;
      nodes_[at].longest_below = std::max(nodes_[at].longest_below, length);
    }
    nodes_[at].ends_string = true;
    return true;
  }

  std::vector<Node> nodes_;
};

// Raises `best` to the best similarity of `text` with a string of `trie`
// that beats it. The Levenshtein rows of `text` against the trie's strings
// are filled node by node, depth first; a row's smallest entry never
// shrinks further down, and a similarity never grows with the distance nor
// shrinks with the longer length (in floating point too: division rounds
// monotonically), so a subtree whose smallest possible distance with its
// longest string does not beat `best` holds nothing that does.
//
// Each node visited fills a row of the text's length, and a text may visit
// most of a large trie before `best` prunes anything: the rows are counted
// with `poll`, and a stop leaves `best` as it stands.
void raise_best(Symbols text, const StringTrie& trie, double& best,
                std::vector<std::uint32_t>& rows, std::vector<std::uint32_t>& stack,
                InterruptionPoll& poll) {
  const std::size_t width = text.size() + 1;
  const std::uint64_t length = text.size();
  rows.resize(width * (std::size_t{trie.longest()} + 1));
  for (std::size_t i = 0; i < width; ++i) rows[i] = static_cast<std::uint32_t>(i);
  const StringTrie::Node& root = trie.node(0);
  if (root.ends_string) best = std::max(best, similarity_from_distance(length, length, 0));
  // The child that matches the text's next symbol is searched first: it
  // tends to raise `best` soonest, and a higher best prunes more.
  auto push_children = [&](const StringTrie::Node& parent) {
    const bool has_next = parent.depth < text.size();
    std::uint32_t matching = StringTrie::kNone;
    for (std::uint32_t c = parent.first_child; c != StringTrie::kNone;
         c = trie.node(c).next_sibling) {
      if (has_next && matching == StringTrie::kNone && trie.node(c).symbol == text[parent.depth]) {
        matching = c;
      } else {
        stack.push_back(c);
      }
    }
    if (matching != StringTrie::kNone) stack.push_back(matching);
  };
  stack.clear();
  push_children(root);
  while (!stack.empty() && best < 1.0) {
    if (poll.stop_after(width)) return;
    const StringTrie::Node& node = trie.node(stack.back());
    stack.pop_back();
    const std::uint32_t* above = rows.data() + (node.depth - 1) * width;
    std::uint32_t* row = rows.data() + node.depth * width;
    row[0] = node.depth;
    std::uint32_t smallest = row[0];
    for (std::size_t i = 1; i < width; ++i) {
      const std::uint32_t substitution = above[i - 1] + (text[i - 1] != node.symbol ? 1 : 0);
      const std::uint32_t value = std::min({above[i] + 1, row[i - 1] + 1, substitution});
      row[i] = value;
      smallest = std::min(smallest, value);
    }
    if (node.ends_string) {
      best = std::max(best, similarity_from_distance(row[width - 1], length, node.depth));
    }
    if (!(similarity_from_distance(smallest, length, node.longest_below) > best)) continue;
    push_children(node);
  }
}

// Pair by pair, each pair searched only up to the distance that would still
// beat the best so far, and skipped when the lengths alone rule that out.
// For lists too large to hold as a trie with its rows.
double best_pair_by_pair(PathListView left, PathListView right, StringWorkspace& workspace) {
  double best = 0.0;
  // Thousands of strings a side make hundreds of millions of pairs; a
  // stopped call returns what it has, which the caller discards.
  InterruptionPoll poll;
  for (std::size_t l = 0; l < left.size(); ++l) {
    const Symbols a = left[l];
    const CachedLevenshtein query(a);
    for (std::size_t r = 0; r < right.size(); ++r) {
      const Symbols b = right[r];
      if (poll.stop_after((a.size() + 1) * (b.size() + 1) / 64 + 1)) return best;
      const std::uint64_t bound = largest_distance_for_similarity(best, a.size(), b.size());
      const std::uint64_t gap = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
      if (gap > bound) continue;
      const std::optional<std::uint64_t> distance = query.distance_within(b, bound, workspace);
      if (!distance) continue;
      best = std::max(best, similarity_from_distance(*distance, a.size(), b.size()));
      if (best == 1.0) return best;
    }
  }
  return best;
}

// Above these, the trie or its rows would take more than some 50 MB.
constexpr std::size_t kMaxTrieNodes = std::size_t{1} << 21;
constexpr std::uint64_t kMaxRowCells = std::uint64_t{1} << 22;

std::uint64_t longest_of(PathListView strings) {
  std::uint64_t longest = 0;
  for (std::size_t s = 0; s < strings.size(); ++s) {
    longest = std::max<std::uint64_t>(longest, strings[s].size());
  }
  return longest;
}

}  // namespace

double pruned_best_pair_similarity(PathListView left, PathListView right,
                                   StringWorkspace& workspace) {
  double best = 0.0;
  if (left.empty() || right.empty()) return best;
  // The similarity of a pair does not depend on which side each string is
  // on, so the longer list goes into the trie, where its shared
  // beginnings are worked once.
  const bool left_in_trie = left.size() >= right.size();
  const PathListView inner = left_in_trie ? left : right;
  const PathListView outer = left_in_trie ? right : left;
  StringTrie trie;
  if ((longest_of(inner) + 1) * (longest_of(outer) + 1) > kMaxRowCells ||
      !trie.build(inner, kMaxTrieNodes)) {
    return best_pair_by_pair(left, right, workspace);
  }
  std::vector<std::uint32_t> rows;
  std::vector<std::uint32_t> stack;
  InterruptionPoll poll;
  for (std::size_t s = 0; s < outer.size() && best < 1.0; ++s) {
    if (poll.stop_after(64 * (outer[s].size() + 1))) return best;  // discarded by the caller
    raise_best(outer[s], trie, best, rows, stack, poll);
  }
  return best;
}

}  // namespace lumra::ja
