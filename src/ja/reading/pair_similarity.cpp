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
#include "ja/reading/string_trie.h"

namespace lumra::ja {

namespace {

// Raises `best` to the best similarity of `text` with a string of `trie`
// that beats it. The Levenshtein rows of `text` against the trie's strings
// are filled node by node, depth first. Every alignment of `text` with a
// string below a node passes through the node's row at some column i, and
// the rest of `text` from i and the rest of the string then differ in
// length by at least the gap between m - i and the lengths left below the
// node; the smallest row entry plus its gap bounds the distance of every
// string below. A similarity never grows with the distance nor shrinks
// with the longer length (in floating point too: division rounds
// monotonically), so a subtree whose bound, taken with its longest string,
// does not beat `best` holds nothing that does.
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
  const StringTrie::Node& root = trie.node(StringTrie::kRoot);
  if (root.ends_string) best = std::max(best, similarity_from_distance(length, length, 0));
  // The smallest distance that a string below `node`, whose row is `row`,
  // may have with `text`.
  auto bound_below = [&](const StringTrie::Node& node, const std::uint32_t* row) {
    const std::uint64_t shortest = node.shortest_below - node.depth;
    const std::uint64_t longest = node.longest_below - node.depth;
    std::uint64_t bound = ~std::uint64_t{0};
    for (std::size_t i = 0; i < width; ++i) {
      const std::uint64_t rest = length - i;
      const std::uint64_t gap = rest < shortest ? shortest - rest : rest > longest ? rest - longest : 0;
      bound = std::min(bound, row[i] + gap);
    }
    return bound;
  };
  if (!(similarity_from_distance(bound_below(root, rows.data()), length, root.longest_below) >
        best)) {
    return;
  }
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
    for (std::size_t i = 1; i < width; ++i) {
      const std::uint32_t substitution = above[i - 1] + (text[i - 1] != node.symbol ? 1 : 0);
      row[i] = std::min({above[i] + 1, row[i - 1] + 1, substitution});
    }
    if (node.ends_string) {
      best = std::max(best, similarity_from_distance(row[width - 1], length, node.depth));
    }
    if (!(similarity_from_distance(bound_below(node, row), length, node.longest_below) > best)) {
      continue;
    }
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

std::uint64_t longest_of(PathListView strings) {
  std::uint64_t longest = 0;
  for (std::size_t s = 0; s < strings.size(); ++s) {
    longest = std::max<std::uint64_t>(longest, strings[s].size());
  }
  return longest;
}

// Every string of `outer` against `inner`, until a perfect pair.
template <class ForEachOuter>
double search_trie(const StringTrie& inner, ForEachOuter&& for_each_outer) {
  double best = 0.0;
  std::vector<std::uint32_t> rows;
  std::vector<std::uint32_t> stack;
  InterruptionPoll poll;
  for_each_outer([&](Symbols text) {
    // A stopped call returns what it has, which the caller discards.
    if (poll.stop_after(64 * (text.size() + 1))) return false;
    raise_best(text, inner, best, rows, stack, poll);
    return best < 1.0;
  });
  return best;
}

// Whether the two tries hold a string in common, walked side by side.
bool share_a_string(const StringTrie& left, const StringTrie& right) {
  std::vector<std::pair<StringTrie::NodeId, StringTrie::NodeId>> stack = {
      {StringTrie::kRoot, StringTrie::kRoot}};
  while (!stack.empty()) {
    const auto [l, r] = stack.back();
    stack.pop_back();
    if (left.node(l).ends_string && right.node(r).ends_string) return true;
    for (StringTrie::NodeId lc = left.node(l).first_child; lc != StringTrie::kNone;
         lc = left.node(lc).next_sibling) {
      for (StringTrie::NodeId rc = right.node(r).first_child; rc != StringTrie::kNone;
           rc = right.node(rc).next_sibling) {
        if (left.node(lc).symbol == right.node(rc).symbol) {
          stack.emplace_back(lc, rc);
          break;
        }
      }
    }
  }
  return false;
}

}  // namespace

double pruned_best_pair_similarity(PathListView left, PathListView right,
                                   StringWorkspace& workspace) {
  if (left.empty() || right.empty()) return 0.0;
  // The similarity of a pair does not depend on which side each string is
  // on, so the longer list goes into the trie, where its shared
  // beginnings are worked once.
  const bool left_in_trie = left.size() >= right.size();
  const PathListView inner = left_in_trie ? left : right;
  const PathListView outer = left_in_trie ? right : left;
  if (!rows_fit(longest_of(inner), longest_of(outer))) {
    return best_pair_by_pair(left, right, workspace);
  }
  StringTrie trie;
  for (std::size_t s = 0; s < inner.size(); ++s) {
    if (!trie.insert(inner[s])) return best_pair_by_pair(left, right, workspace);
  }
  trie.finish();
  return search_trie(trie, [&](auto&& visit) {
    for (std::size_t s = 0; s < outer.size() && visit(outer[s]);) ++s;
  });
}

double trie_best_pair_similarity(const StringTrie& left, const StringTrie& right,
                                 StringWorkspace& workspace) {
  if (left.string_count() == 0 || right.string_count() == 0) return 0.0;
  // Only equal strings are perfect, and a text is often compared with one
  // of its own readings: that answer costs a walk of the smaller trie.
  if (share_a_string(left, right)) return 1.0;
  const bool left_inner = left.string_count() >= right.string_count();
  const StringTrie& inner = left_inner ? left : right;
  const StringTrie& outer = left_inner ? right : left;
  if (!rows_fit(inner.longest(), outer.longest())) {
    return best_pair_by_pair(left.strings(), right.strings(), workspace);
  }
  return search_trie(inner, [&](auto&& visit) { outer.for_each_string(visit); });
}

}  // namespace lumra::ja
