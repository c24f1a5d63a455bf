#include "ja/reading/graded_spelling_graph.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "core/base/interruption.h"
#include "core/base/utf8.h"
#include "ja/romaji/vowel_class.h"

namespace lumra::ja {

namespace {

using NodeId = std::uint32_t;
constexpr NodeId kDead = ~NodeId{0};

struct OutArc {
  Symbol symbol;
  NodeId target;
  friend bool operator==(const OutArc&, const OutArc&) = default;
  friend auto operator<=>(const OutArc&, const OutArc&) = default;
};

// Graph nodes made bottom-up: a node is made once its arcs are known, and
// a node with the depth, finality and arcs of one made before is that one.
class NodeTable {
 public:
  NodeId node_of(std::uint32_t depth, bool final, std::vector<OutArc>& arcs) {
    std::ranges::sort(arcs);
    arcs.erase(std::unique(arcs.begin(), arcs.end()), arcs.end());
    // A node from which no member string goes on spells nothing.
    if (!final && arcs.empty()) return kDead;
    key_.assign(reinterpret_cast<const char*>(&depth), sizeof depth);
    key_.push_back(final ? '\1' : '\0');
    key_.append(reinterpret_cast<const char*>(arcs.data()), arcs.size() * sizeof(OutArc));
    const auto [at, fresh] = known_.try_emplace(key_, static_cast<NodeId>(depths_.size()));
    if (!fresh) return at->second;
    depths_.push_back(depth);
    finals_.push_back(final ? 1 : 0);
    first_out_.push_back(static_cast<std::uint32_t>(arcs_.size()));
    arcs_.insert(arcs_.end(), arcs.begin(), arcs.end());
    return at->second;
  }

  std::size_t size() const { return depths_.size(); }
  std::size_t arc_count() const { return arcs_.size(); }
  bool final(NodeId n) const { return finals_[n] != 0; }
  std::span<const OutArc> arcs(NodeId n) const {
    const std::size_t end = n + 1 < first_out_.size() ? first_out_[n + 1] : arcs_.size();
    return std::span(arcs_).subspan(first_out_[n], end - first_out_[n]);
  }

  // The nodes reachable from `root`, renumbered by depth, with their
  // entering arcs.
  GradedDag graph_from(NodeId root) const {
    GradedDag graph;
    if (root == kDead) {
      graph.depth = {0};
      graph.final = {0};
      graph.first_in = {0, 0};
      return graph;
    }
    std::vector<std::uint8_t> reached(size(), 0);
    std::vector<NodeId> order = {root};
    reached[root] = 1;
    for (std::size_t i = 0; i < order.size(); ++i) {
      for (const OutArc& arc : arcs(order[i])) {
        if (reached[arc.target] == 0) {
          reached[arc.target] = 1;
          order.push_back(arc.target);
        }
      }
    }
    std::ranges::stable_sort(order, {}, [&](NodeId n) { return depths_[n]; });
    std::vector<NodeId> number(size(), kDead);
    for (std::size_t i = 0; i < order.size(); ++i) number[order[i]] = static_cast<NodeId>(i);
    graph.depth.reserve(order.size());
    graph.final.reserve(order.size());
    graph.first_in.assign(order.size() + 1, 0);
    for (const NodeId n : order) {
      graph.depth.push_back(depths_[n]);
      graph.final.push_back(finals_[n]);
      for (const OutArc& arc : arcs(n)) ++graph.first_in[number[arc.target] + 1];
    }
    for (std::size_t i = 1; i < graph.first_in.size(); ++i) {
      graph.first_in[i] += graph.first_in[i - 1];
    }
    graph.in_arcs.resize(graph.first_in.back());
    std::vector<std::uint32_t> filled(graph.first_in.begin(), graph.first_in.end() - 1);
    for (std::size_t i = 0; i < order.size(); ++i) {
      for (const OutArc& arc : arcs(order[i])) {
        graph.in_arcs[filled[number[arc.target]]++] = {static_cast<std::uint32_t>(i), arc.symbol};
      }
    }
    return graph;
  }

 private:
  std::unordered_map<std::string, NodeId> known_;
  std::string key_;
  std::vector<std::uint32_t> depths_;
  std::vector<std::uint8_t> finals_;
  std::vector<std::uint32_t> first_out_;
  std::vector<OutArc> arcs_;
};

// A state is the place after a tree node's list: the node's branch (equal
// branches spell alike), the class of the last vowel spelled (which a long
// vowel mark below reads; None when there is none below) and the length
// spelled. Strings through one state go on alike, so each state is one
// graph node, made after those of the states below it. A branch has a few
// states at most, as many as the lengths its prefixes spell (each length
// more doubles the strings, which the expansion limits bound): they are
// kept in a list per branch.
class StateTable {
 public:
  explicit StateTable(std::size_t branches) : first_(branches, kNoState) {}

  // The graph node of a state made before, or nullopt.
  std::optional<NodeId> find(std::uint32_t branch, VowelClass vowel, std::uint32_t depth) const {
    for (std::uint32_t s = first_[branch]; s != kNoState; s = states_[s].next) {
      if (states_[s].depth == depth && states_[s].vowel == vowel) return states_[s].id;
    }
    return std::nullopt;
  }
  void add(std::uint32_t branch, VowelClass vowel, std::uint32_t depth, NodeId id) {
    states_.push_back({depth, id, first_[branch], vowel});
    first_[branch] = static_cast<std::uint32_t>(states_.size() - 1);
  }
  std::size_t size() const { return states_.size(); }

 private:
  static constexpr std::uint32_t kNoState = ~std::uint32_t{0};
  struct State {
    std::uint32_t depth;
    NodeId id;
    std::uint32_t next;
    VowelClass vowel;
  };
  std::vector<std::uint32_t> first_;
  std::vector<State> states_;
};

// The node from which a spelling's last `bytes` bytes `rest` lead to the
// node `target`.
struct ChainKey {
  NodeId target;
  std::uint32_t rest;
  std::uint8_t bytes;
  friend bool operator==(const ChainKey&, const ChainKey&) = default;
};
static_assert(RomajiVariant::kMaxBytes <= sizeof(ChainKey::rest));

struct ChainKeyHash {
  std::size_t operator()(const ChainKey& key) const {
    const std::uint64_t packed = std::uint64_t{key.target} << 32 ^ key.rest ^ std::uint64_t{key.bytes} << 29;
    return std::hash<std::uint64_t>{}(packed * 0x9E3779B97F4A7C15ull);
  }
};

// The numbers of the branches of `n`'s children, sorted: siblings come in
// no order that matters.
void child_numbers(const SpellingTree& tree, SpellingTree::NodeId n,
                   std::span<const std::uint32_t> number, std::vector<std::uint32_t>& children) {
  children.clear();
  for (SpellingTree::NodeId c = tree.node(n).first_child; c != SpellingTree::kNone;
       c = tree.node(c).next_sibling) {
    children.push_back(number[c]);
  }
  std::ranges::sort(children);
}

// A hash of what tells a node's branch apart: its finality, its list and
// its children's numbers.
std::uint32_t branch_hash(const SpellingTree::Node& at, std::span<const std::uint32_t> children) {
  static_assert(std::has_unique_object_representations_v<RomajiVariant>);
  std::uint64_t hash = at.ends_path ? 0x9E3779B97F4A7C15ull : 0x6A09E667F3BCC909ull;
  auto mix = [&](std::uint64_t word) {
    hash = (hash ^ word) * 0xFF51AFD7ED558CCDull;
    hash ^= hash >> 32;
  };
  if (at.list) {
    mix(at.list->size());
    const auto* bytes = reinterpret_cast<const unsigned char*>(at.list->begin());
    const std::size_t size = at.list->size() * sizeof(RomajiVariant);
    std::size_t b = 0;
    for (; b + 8 <= size; b += 8) {
      std::uint64_t word;
      std::memcpy(&word, bytes + b, 8);
      mix(word);
    }
    std::uint64_t tail = 0;
    std::memcpy(&tail, bytes + b, size - b);
    mix(tail);
  } else {
    mix(0xFF);
  }
  for (const std::uint32_t child : children) mix(std::uint64_t{child} | 1ull << 32);
  return static_cast<std::uint32_t>(hash);
}

// Whether two nodes' own parts (finality and list) are alike.
bool same_own(const SpellingTree::Node& a, const SpellingTree::Node& b) {
  if (a.ends_path != b.ends_path || a.list.has_value() != b.list.has_value()) return false;
  return !a.list || (a.list->size() == b.list->size() &&
                     std::memcmp(a.list->begin(), b.list->begin(),
                                 a.list->size() * sizeof(RomajiVariant)) == 0);
}

// Numbers the tree's nodes so that nodes with equal branches (the same
// list, ending a path or not, and children with equal branches) share a
// number. Readings that differ early and go on alike leave many equal
// branches, whose states are then made once.
//
// A tree may have a million nodes, all of them different: each number
// made keeps only the first node that has it and the hash of its branch (8
// bytes, the slots half full), which a node that hashes alike is compared
// with part by part.
std::vector<std::uint32_t> branch_numbers(const SpellingTree& tree) {
  struct Slot {
    std::uint32_t hash;
    SpellingTree::NodeId node;  // kNone: free
  };
  std::vector<std::uint32_t> number(tree.node_count());
  std::vector<Slot> slots(64, Slot{0, SpellingTree::kNone});
  std::uint32_t made = 0;
  std::vector<std::uint32_t> children;
  std::vector<std::uint32_t> other_children;
  auto place = [&](std::uint32_t hash) -> Slot& {
    const std::size_t mask = slots.size() - 1;
    std::size_t at = hash & mask;
    while (slots[at].node != SpellingTree::kNone) at = (at + 1) & mask;
    return slots[at];
  };
  // Children come after their parents: a backward sweep numbers them first.
  for (std::size_t n = tree.node_count(); n-- > 0;) {
    const SpellingTree::Node& node = tree.node(n);
    child_numbers(tree, static_cast<SpellingTree::NodeId>(n), number, children);
    const std::uint32_t hash = branch_hash(node, children);
    const std::size_t mask = slots.size() - 1;
    std::size_t at = hash & mask;
    for (; slots[at].node != SpellingTree::kNone; at = (at + 1) & mask) {
      if (slots[at].hash != hash || !same_own(node, tree.node(slots[at].node))) continue;
      child_numbers(tree, slots[at].node, number, other_children);
      if (other_children == children) break;
    }
    if (slots[at].node != SpellingTree::kNone) {
      number[n] = number[slots[at].node];
      continue;
    }
    number[n] = made++;
    slots[at] = {hash, static_cast<SpellingTree::NodeId>(n)};
    if (2 * std::size_t{made} > slots.size()) {
      std::vector<Slot> old(2 * slots.size(), Slot{0, SpellingTree::kNone});
      old.swap(slots);
      for (const Slot& slot : old) {
        if (slot.node != SpellingTree::kNone) place(slot.hash) = slot;
      }
    }
  }
  return number;
}

}  // namespace

std::optional<GradedDag> graded_spelling_graph(const SpellingTree& tree, std::size_t max_states) {
  struct Frame {
    SpellingTree::NodeId node;
    VowelClass vowel;
    std::uint32_t depth;
    SpellingTree::NodeId child;  // the child whose spellings are being taken
    std::uint8_t variant;        // the next spelling of its list
    bool final;
    std::size_t first_arc;  // of this frame's arcs in `pending`
  };
  // Whether a long vowel mark lies below a node: only then does the vowel
  // class after its list tell its states apart (children come after their
  // parents, so a backward sweep sees them first).
  std::vector<std::uint8_t> reads_vowel(tree.node_count(), 0);
  for (std::size_t n = tree.node_count(); n-- > 0;) {
    for (SpellingTree::NodeId c = tree.node(n).first_child; c != SpellingTree::kNone;
         c = tree.node(c).next_sibling) {
      if (!tree.node(c).list || reads_vowel[c] != 0) reads_vowel[n] = 1;
    }
  }
  const std::vector<std::uint32_t> branch = branch_numbers(tree);
  NodeTable nodes;
  StateTable made(tree.node_count());
  // The arcs of the frames on the stack, the top frame's last.
  std::vector<OutArc> pending;
  std::vector<OutArc> scratch;
  std::vector<Frame> stack;
  InterruptionPoll poll;
  auto push = [&](SpellingTree::NodeId node, VowelClass vowel, std::uint32_t depth) {
    const SpellingTree::Node& at = tree.node(node);
    stack.push_back({node, vowel, depth, at.first_child, 0, at.ends_path, pending.size()});
  };
  push(SpellingTree::kRoot, VowelClass::None, 0);
  NodeId root = kDead;
  std::unordered_map<ChainKey, NodeId, ChainKeyHash> chains;
  while (!stack.empty()) {
    if (made.size() + nodes.size() + chains.size() > max_states ||
        nodes.arc_count() + pending.size() > 4 * max_states || poll.stop_after(8)) return std::nullopt;
    const std::size_t top = stack.size() - 1;
    if (stack[top].child == SpellingTree::kNone) {
      const Frame& done = stack[top];
      scratch.assign(pending.begin() + static_cast<std::ptrdiff_t>(done.first_arc), pending.end());
      const NodeId id = nodes.node_of(done.depth, done.final, scratch);
      made.add(branch[done.node], done.vowel, done.depth, id);
      if (done.node == SpellingTree::kRoot) root = id;
      pending.resize(done.first_arc);
      stack.pop_back();
      continue;
    }
    const Frame& frame = stack[top];
    const SpellingTree::Node& child = tree.node(frame.child);
    const VariantList& variants = child.list ? *child.list : long_vowel_variants(frame.vowel);
    if (frame.variant == variants.size()) {
      stack[top].child = child.next_sibling;
      stack[top].variant = 0;
      continue;
    }
    const RomajiVariant& variant = variants.begin()[frame.variant];
    const VowelClass vowel =
        reads_vowel[frame.child] != 0 ? vowel_class_after(frame.vowel, variant) : VowelClass::None;
    const std::string_view text = variant.text();
    std::array<Symbol, RomajiVariant::kMaxBytes> spelled;
    std::array<std::uint8_t, RomajiVariant::kMaxBytes> starts;
    std::uint32_t chars = 0;
    for (std::size_t b = 0; b < text.size(); ++chars) {
      const NextChar c = next_char(text, b);
      spelled[chars] = c.value;
      starts[chars] = static_cast<std::uint8_t>(b);
      b += c.size;
    }
    const std::uint32_t depth = frame.depth + chars;
    const std::optional<NodeId> below = made.find(branch[frame.child], vowel, depth);
    if (!below) {
      push(frame.child, vowel, depth);
      continue;
    }
    ++stack[top].variant;
    const NodeId target = *below;
    if (target == kDead) continue;
    if (chars == 0) {
      // An empty spelling leaves the string where it was: whatever ends or
      // goes on after it does so here.
      stack[top].final = stack[top].final || nodes.final(target);
      const auto arcs = nodes.arcs(target);
      pending.insert(pending.end(), arcs.begin(), arcs.end());
      continue;
    }
    // A spelling of several symbols is a chain of nodes, made from its end.
    // A chain node is known by what it spells up to the state's node and
    // that node: spellings that end alike share their chains.
    NodeId next = target;
    for (std::uint32_t j = chars; j-- > 1;) {
      const std::string_view rest = text.substr(starts[j]);
      ChainKey key{target, 0, static_cast<std::uint8_t>(rest.size())};
      std::memcpy(&key.rest, rest.data(), rest.size());
      const auto [at, fresh] = chains.try_emplace(key, kDead);
      if (fresh) {
        scratch.assign({OutArc{spelled[j], next}});
        at->second = nodes.node_of(stack[top].depth + j, false, scratch);
      }
      next = at->second;
    }
    pending.push_back({spelled[0], next});
  }
  return nodes.graph_from(root);
}

}  // namespace lumra::ja
