#include "ja/reading/spelling_tree.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace lumra::ja {

namespace {

bool same_list(const std::optional<VariantList>& a, const std::optional<VariantList>& b) {
  if (a.has_value() != b.has_value()) return false;
  if (!a) return true;
  // Lists that carry the same row number are that row's spellings.
  if (a->row() != 0 && a->row() == b->row()) return true;
  // A spelling's bytes are its text, zeros after it, and counts taken from
  // the text: equal spellings have equal bytes.
  static_assert(std::has_unique_object_representations_v<RomajiVariant>);
  return a->size() == b->size() &&
         std::memcmp(a->begin(), b->begin(), a->size() * sizeof(RomajiVariant)) == 0;
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
  const NodeId sibling = nodes_[parent].first_child;
  nodes_[parent].first_child = c;
  Node& fresh = nodes_.emplace_back();
  fresh.next_sibling = sibling;
  fresh.list = list;
  return c;
}

bool SpellingTree::add(const UnitVariantLists& lists, std::size_t same_as_last) {
  // Paths come in the byte order of their reading texts, so most begin with
  // the lists of the path before: its nodes are taken up again as far as
  // the lists agree, without a search among siblings.
  if (last_path_.empty()) last_path_.push_back(kRoot);
  std::size_t shared = std::min({same_as_last, lists.size(), last_path_.size() - 1});
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
