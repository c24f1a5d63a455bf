// StringTrie: a set of strings as a trie of scalar values.
//
// A text's reading strings are its spellings: thousands of strings made of
// a few choices per kana, sharing long beginnings. As a trie they take far
// fewer nodes than their symbols, they are deduplicated for free, and a
// distance row computed for a node serves every string through it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "core/base/symbols.h"

namespace lumra::ja {

class StringTrie {
 public:
  using NodeId = std::uint32_t;
  static constexpr NodeId kNone = std::numeric_limits<NodeId>::max();
  static constexpr NodeId kRoot = 0;
  // The shortest length below a node with no string below it.
  static constexpr std::uint32_t kNoLength = std::numeric_limits<std::uint32_t>::max();

  struct Node {
    NodeId first_child = kNone;
    NodeId next_sibling = kNone;
    NodeId parent = kNone;
    Symbol symbol = 0;
    std::uint32_t depth = 0;  // in symbols
    // The lengths of the shortest and the longest string through this node
    // (complete after finish()).
    std::uint32_t shortest_below = kNoLength;
    std::uint32_t longest_below = 0;
    bool ends_string = false;
  };

  // An empty set that may grow to `max_nodes` nodes (the root included).
  explicit StringTrie(std::size_t max_nodes = kDefaultMaxNodes);

  // The child of `node` spelled `symbol`, made when missing; kNone once the
  // trie is full, after which full() is true and the set is incomplete.
  // Most calls while a set is spelled make a node: both ways stay inline,
  // only growing the storage does not.
  NodeId child(NodeId node, Symbol symbol) {
    for (NodeId c = nodes_[node].first_child; c != kNone; c = nodes_[c].next_sibling) {
      if (nodes_[c].symbol == symbol) return c;
    }
    if (nodes_.size() >= max_nodes_) {
      full_ = true;
      return kNone;
    }
    if (nodes_.size() == nodes_.capacity()) grow();
    const auto c = static_cast<NodeId>(nodes_.size());
    Node& parent = nodes_[node];
    Node& fresh = nodes_.emplace_back();
    fresh.next_sibling = parent.first_child;
    fresh.parent = node;
    fresh.symbol = symbol;
    fresh.depth = parent.depth + 1;
    parent.first_child = c;
    return c;
  }
  // Adds the string that `node` spells, of `bytes` bytes in UTF-8, to the
  // set.
  void mark_end(NodeId node, std::uint32_t bytes) {
    Node& at = nodes_[node];
    if (at.ends_string) return;
    at.ends_string = true;
    // Nothing below has been carried up yet: finish() does that.
    at.shortest_below = at.depth;
    at.longest_below = at.depth;
    ++string_count_;
    string_bytes_ += bytes;
  }
  // Adds `text`; false when the trie is full.
  bool insert(Symbols text);

  // Carries the lengths of the strings up to every node; call once, when
  // all strings are in.
  void finish();

  bool full() const { return full_; }
  const Node& node(NodeId n) const { return nodes_[n]; }
  std::size_t node_count() const { return nodes_.size(); }
  // The heap the trie takes, about.
  std::size_t memory_bytes() const { return nodes_.capacity() * sizeof(Node); }
  // Distinct strings, and their UTF-8 bytes together.
  std::uint64_t string_count() const { return string_count_; }
  std::uint64_t string_bytes() const { return string_bytes_; }
  // The longest string (after finish()).
  std::uint32_t longest() const { return nodes_[kRoot].longest_below; }

  // Calls `visit(Symbols)` with every string, each once, in no promised
  // order, until it returns false.
  template <class Visit>
  void for_each_string(Visit&& visit) const;
  // Every string, written out, in the order for_each_string visits them.
  std::vector<std::vector<Symbol>> strings() const;

  // Some 80 MB of nodes.
  static constexpr std::size_t kDefaultMaxNodes = std::size_t{1} << 21;

 private:
  // Doubles the storage, past the inline path of child().
  void grow();

  std::vector<Node> nodes_;
  std::size_t max_nodes_;
  bool full_ = false;
  std::uint64_t string_count_ = 0;
  std::uint64_t string_bytes_ = 0;
};

template <class Visit>
void StringTrie::for_each_string(Visit&& visit) const {
  std::vector<Symbol> prefix;
  std::vector<NodeId> stack = {kRoot};
  while (!stack.empty()) {
    const NodeId n = stack.back();
    stack.pop_back();
    const Node& at = nodes_[n];
    prefix.resize(at.depth);
    if (n != kRoot) prefix[at.depth - 1] = at.symbol;
    if (at.ends_string && !visit(Symbols(prefix))) return;
    for (NodeId c = at.first_child; c != kNone; c = nodes_[c].next_sibling) stack.push_back(c);
  }
}

inline std::vector<std::vector<Symbol>> StringTrie::strings() const {
  std::vector<std::vector<Symbol>> out;
  out.reserve(string_count_);
  for_each_string([&](Symbols string) {
    out.emplace_back(string.begin(), string.end());
    return true;
  });
  return out;
}

}  // namespace lumra::ja
