#include "ja/reading/spelling_tree.h"

#include <algorithm>
#include <string_view>

namespace lumra::ja {

namespace {

bool same_list(const std::optional<VariantList>& a, const std::optional<VariantList>& b) {
  if (a.has_value() != b.has_value()) return false;
  return !a || std::ranges::equal(*a, *b);
}

}  // namespace

SpellingTree::SpellingTree(std::size_t max_nodes)
    : max_nodes_(std::max<std::size_t>(max_nodes, 1)) {
  nodes_.emplace_back();
}

SpellingTree::NodeId SpellingTree::child_with(NodeId parent,
                                              const std::optional<VariantList>& list) {
  for (NodeId c = nodes_[parent].first_child; c != kNone; c = nodes_[c].next_sibling) {
    if (same_list(nodes_[c].list, list)) return c;
  }
  if (nodes_.size() >= max_nodes_) return kNone;
  const auto c = static_cast<NodeId>(nodes_.size());
  Node fresh;
  fresh.next_sibling = nodes_[parent].first_child;
  fresh.list = list;
  nodes_[parent].first_child = c;
  nodes_.push_back(fresh);
  return c;
}

bool SpellingTree::add(const UnitVariantLists& lists) {
  // Paths come in the byte order of their reading texts, so most begin with
  // the lists of the path before: its nodes are taken up again as far as
  // the lists agree, without a search among siblings.
  if (last_path_.empty()) last_path_.push_back(kRoot);
  std::size_t shared = 0;
  while (shared < lists.size() && shared + 1 < last_path_.size() &&
         same_list(nodes_[last_path_[shared + 1]].list, lists[shared])) {
    ++shared;
  }
  last_path_.resize(shared + 1);
  for (std::size_t d = shared; d < lists.size(); ++d) {
    const NodeId c = child_with(last_path_.back(), lists[d]);
    if (c == kNone) return false;
    last_path_.push_back(c);
  }
  nodes_[last_path_.back()].ends_path = true;
  ++paths_;
  return true;
}

void SpellingTree::finish() {
  // Children are made after their parents: a backward sweep sees every
  // child before its parent.
  for (std::size_t n = nodes_.size(); n-- > 0;) {
    Node& at = nodes_[n];
    std::uint32_t shortest_below = at.ends_path ? 0 : std::numeric_limits<std::uint32_t>::max();
    std::uint32_t longest_below = 0;
    for (NodeId c = at.first_child; c != kNone; c = nodes_[c].next_sibling) {
      shortest_below = std::min(shortest_below, nodes_[c].shortest_rest);
      longest_below = std::max(longest_below, nodes_[c].longest_rest);
    }
    // A node without a path through it (a partly added path of a full
    // tree) spells nothing; only the root of an empty tree is left so.
    if (shortest_below == std::numeric_limits<std::uint32_t>::max()) shortest_below = 0;
    std::uint32_t shortest_own = 0;
    std::uint32_t longest_own = 0;
    if (n != kRoot) {
      // The long vowel mark spells one character whatever precedes it.
      shortest_own = at.list ? std::numeric_limits<std::uint32_t>::max() : 1;
      longest_own = 1;
      if (at.list) {
        for (const RomajiVariant& variant : *at.list) {
          const auto chars = static_cast<std::uint32_t>(variant.chars());
          shortest_own = std::min(shortest_own, chars);
          longest_own = std::max(longest_own, chars);
        }
      }
    }
    at.shortest_rest = shortest_own + shortest_below;
    at.longest_rest = longest_own + longest_below;
  }
  if (nodes_.size() <= kMaxCountedNodes) count_classes();
}

void SpellingTree::count_classes() {
  fewest_.assign(nodes_.size(), SymbolCounts{});
  most_.assign(nodes_.size(), SymbolCounts{});
  // The mark spells one vowel or the dash, whichever the prefix allows.
  SymbolCounts mark_most{};
  for (const char c : std::string_view("aiueo-")) mark_most[symbol_class(Symbol(c))] = 1;
  for (std::size_t n = nodes_.size(); n-- > 0;) {
    const Node& at = nodes_[n];
    // What a path below adds: nothing for a path that ends here, and the
    // fewest and most of a child's branch otherwise; each class on its
    // own, so the fewest of one class and of another may come from
    // different paths, which still bounds every path.
    SymbolCounts fewest_below;
    fewest_below.fill(at.ends_path || at.first_child == kNone ? 0 : 255);
    SymbolCounts most_below{};
    for (NodeId c = at.first_child; c != kNone; c = nodes_[c].next_sibling) {
      for (std::size_t k = 0; k < kSymbolClassCount; ++k) {
        fewest_below[k] = std::min(fewest_below[k], fewest_[c][k]);
        most_below[k] = std::max(most_below[k], most_[c][k]);
      }
    }
    SymbolCounts fewest_own{};
    SymbolCounts most_own{};
    if (n != kRoot && !at.list) most_own = mark_most;
    if (n != kRoot && at.list) {
      fewest_own.fill(255);
      for (const RomajiVariant& variant : *at.list) {
        SymbolCounts spelled{};
        const std::string_view text = variant.text();
        for (std::size_t b = 0; b < text.size();) {
          const NextChar c = next_char(text, b);
          b += c.size;
          ++spelled[symbol_class(c.value)];
        }
        for (std::size_t k = 0; k < kSymbolClassCount; ++k) {
          fewest_own[k] = std::min(fewest_own[k], spelled[k]);
          most_own[k] = std::max(most_own[k], spelled[k]);
        }
      }
    }
    for (std::size_t k = 0; k < kSymbolClassCount; ++k) {
      fewest_[n][k] = saturating_add(fewest_own[k], fewest_below[k]);
      most_[n][k] = saturating_add(most_own[k], most_below[k]);
    }
  }
}

std::vector<std::vector<Symbol>> SpellingTree::strings() const {
  std::vector<std::vector<Symbol>> out;
  for_each_string([&](Symbols string) {
    out.emplace_back(string.begin(), string.end());
    return true;
  });
  std::ranges::sort(out);
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

}  // namespace lumra::ja
