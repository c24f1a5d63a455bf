#include "ja/reading/preorder_search.h"

#include <algorithm>
#include <cmath>

#include "core/strings/similarity.h"
#include "ja/reading/popcnt_build.h"

namespace lumra::ja {

PreorderSearch::PreorderSearch(const PreorderTrie& trie)
    : trie_(trie),
      matches_(trie.letters().size()),
      rows_(std::size_t{trie.longest()} + 1),
      beating_(std::size_t{trie.longest()} + 1) {}

bool PreorderSearch::set_limits(double best) {
  // Nothing beats a perfect pair, whatever the length.
  if (!(best < 1.0)) {
    std::ranges::fill(beating_, 0);
    return false;
  }
  const std::uint64_t m = length_;
  auto beats = [&](std::uint64_t d, std::uint64_t length) {
    return similarity_from_distance(d, m, length) > best;
  };
  // Up to the text's length the longer length, and so the limit, stays:
  // there it is found from an estimate.
  const double estimate = std::floor((1.0 - best) * static_cast<double>(m));
  std::uint64_t d = estimate <= 0.0                          ? 0
                    : estimate >= static_cast<double>(m) ? m
                                                           : static_cast<std::uint64_t>(estimate);
  while (d > 0 && !beats(d, m)) --d;
  while (d < m && beats(d + 1, m)) ++d;
  const std::size_t count = beating_.size();
  std::size_t length = 0;
  for (; length < count && length <= m; ++length) beating_[length] = static_cast<std::uint32_t>(d + 1);
  // Past it the limit never falls as the length grows (a distance that
  // beats the best at one length beats it at a longer one), and rises by
  // about 1 - best a step.
  for (; length < count; ++length) {
    while (d < length && beats(d + 1, length)) ++d;
    beating_[length] = static_cast<std::uint32_t>(d + 1);
  }
  return true;
}

// The texts' rows are searched by index and skipped by subtree; every
// value the loop reads is held in a local, since the rows it writes could
// otherwise alias the search's own fields.
[[gnu::always_inline]] inline void PreorderSearch::walk(double& best) {
  const std::uint32_t m = length_;
  const PreorderTrie::Node* nodes = trie_.nodes().data();
  const std::uint64_t* matches = matches_.data();
  const std::uint32_t* beating = beating_.data();
  BitRow* rows = rows_.data();
  rows[0] = BitRow::first(m);
  // Takes a string's distance into the best; false when nothing can beat
  // it now.
  auto raise = [&](std::uint32_t distance, std::uint32_t length) {
    if (distance >= beating[length]) return true;
    best = similarity_from_distance(distance, m, length);
    return set_limits(best);
  };
  // Whether a string strictly below `node`, whose row is `row`, may beat
  // the best (see raise_best).
  auto may_beat_below = [&](const PreorderTrie::Node& node, const BitRow& row) {
    const std::uint32_t limit = beating[node.depth + node.longest_below];
    if (limit == 0) return false;
    if (m < node.shortest_below) return node.depth + node.shortest_below - m < limit;
    const std::uint32_t from = m > node.longest_below ? m - node.longest_below : 0;
    return row.any_below(from, m - node.shortest_below, limit);
  };
  if (nodes[0].ends_string && !raise(m, 0)) return;
  if (!may_beat_below(nodes[0], rows[0])) return;
  const std::size_t count = trie_.nodes().size();
  // The interruption source is asked after every so many rows.
  constexpr std::uint32_t kRowsBetweenPolls = 1024;
  std::uint32_t until_poll = kRowsBetweenPolls;
  std::uint64_t filled = 0;
  for (std::size_t k = 1; k < count;) {
    if (--until_poll == 0) {
      until_poll = kRowsBetweenPolls;
      if (poll_.stop_after(64 * kRowsBetweenPolls)) break;
    }
    const PreorderTrie::Node node = nodes[k];
    const BitRow row = rows[node.depth - 1].next(matches[node.letter], m);
    rows[node.depth] = row;
    ++filled;
    if (node.ends_string && !raise(row.last, node.depth)) break;
    k = node.end == k + 1 || may_beat_below(node, row) ? k + 1 : node.end;
  }
  rows_filled_ += filled;
}

#ifdef LUMRA_POPCNT_BUILD
[[gnu::target("popcnt")]] void PreorderSearch::walk_with_popcnt(double& best) { walk(best); }
#else
void PreorderSearch::walk_with_popcnt(double& best) { walk(best); }
#endif

void PreorderSearch::raise_best(Symbols text, double& best) {
  length_ = static_cast<std::uint32_t>(text.size());
  std::ranges::fill(matches_, 0);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (const auto letter = trie_.letter_of(text[i])) matches_[*letter] |= std::uint64_t{1} << i;
  }
  if (!set_limits(best)) return;
#ifdef LUMRA_POPCNT_BUILD
  if (popcnt_available()) {
    walk_with_popcnt(best);
    return;
  }
#endif
  walk(best);
}

}  // namespace lumra::ja
