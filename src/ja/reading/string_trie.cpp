#include "ja/reading/string_trie.h"

#include <algorithm>

namespace lumra::ja {

namespace {

std::uint32_t utf8_bytes(Symbol symbol) {
  return symbol < 0x80 ? 1 : symbol < 0x800 ? 2 : symbol < 0x10000 ? 3 : 4;
}

}  // namespace

StringTrie::StringTrie(std::size_t max_nodes) : max_nodes_(std::max<std::size_t>(max_nodes, 1)) {
  nodes_.emplace_back();
}

StringTrie::NodeId StringTrie::child(NodeId node, Symbol symbol) {
  NodeId c = nodes_[node].first_child;
  while (c != kNone && nodes_[c].symbol != symbol) c = nodes_[c].next_sibling;
  if (c != kNone) return c;
  if (nodes_.size() >= max_nodes_) {
    full_ = true;
    return kNone;
  }
  c = static_cast<NodeId>(nodes_.size());
  Node fresh;
  fresh.next_sibling = nodes_[node].first_child;
  fresh.parent = node;
  fresh.symbol = symbol;
  fresh.depth = nodes_[node].depth + 1;
  fresh.bytes = nodes_[node].bytes + utf8_bytes(symbol);
  nodes_[node].first_child = c;
  nodes_.push_back(fresh);
  return c;
}

void StringTrie::mark_end(NodeId node) {
  Node& at = nodes_[node];
  if (at.ends_string) return;
  at.ends_string = true;
  ++string_count_;
  string_bytes_ += at.bytes;
}

bool StringTrie::insert(Symbols text) {
  NodeId at = kRoot;
  for (const Symbol symbol : text) {
    at = child(at, symbol);
    if (at == kNone) return false;
  }
  mark_end(at);
  return true;
}

void StringTrie::finish() {
  for (Node& n : nodes_) {
    n.shortest_below = n.ends_string ? n.depth : ~std::uint32_t{0};
    n.longest_below = n.ends_string ? n.depth : 0;
  }
  // Children are made after their parents, so one backward sweep carries
  // every length up to the root.
  for (std::size_t n = nodes_.size(); n-- > 1;) {
    Node& parent = nodes_[nodes_[n].parent];
    parent.shortest_below = std::min(parent.shortest_below, nodes_[n].shortest_below);
    parent.longest_below = std::max(parent.longest_below, nodes_[n].longest_below);
  }
  // An empty set: no string, no length.
  if (string_count_ == 0) nodes_[kRoot].shortest_below = 0;
}

}  // namespace lumra::ja
