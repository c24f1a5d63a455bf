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

void StringTrie::grow() {
  nodes_.reserve(std::min(std::max<std::size_t>(2 * nodes_.capacity(), 64), max_nodes_));
}

bool StringTrie::insert(Symbols text) {
  NodeId at = kRoot;
  std::uint32_t bytes = 0;
  for (const Symbol symbol : text) {
    at = child(at, symbol);
    if (at == kNone) return false;
    bytes += utf8_bytes(symbol);
  }
  mark_end(at, bytes);
  return true;
}

void StringTrie::finish() {
  // Children are made after their parents, so one backward sweep carries
  // every length up to the root.
  for (std::size_t n = nodes_.size(); n-- > 1;) {
    const Node& below = nodes_[n];
    Node& parent = nodes_[below.parent];
    parent.shortest_below = std::min(parent.shortest_below, below.shortest_below);
    parent.longest_below = std::max(parent.longest_below, below.longest_below);
  }
  // An empty set: no string, no length.
  if (string_count_ == 0) nodes_[kRoot].shortest_below = 0;
}

}  // namespace lumra::ja
