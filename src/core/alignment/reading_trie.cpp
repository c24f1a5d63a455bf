#include "core/alignment/reading_trie.h"

#include <algorithm>
#include <limits>

#include "core/alignment/sorted_readings.h"
#include "core/strings/similarity.h"

namespace lumra {

namespace {

// Above this the rows of one search would take more than some 16 MB.
constexpr std::uint64_t kMaxRowCells = std::uint64_t{1} << 22;

}  // namespace

bool ReadingTrie::assign(const SortedReadings& readings, std::size_t max_nodes) {
  // In symbol order each reading shares its beginning with the one before,
  // and the children of a node come in order, the last added on the path
  // of the reading before.
  ReadingTrie& trie = *this;
  std::vector<Symbols> ordered;
  ordered.reserve(readings.size());
  for (std::size_t i = 0; i < readings.size(); ++i) ordered.push_back(readings[i]);
  std::sort(ordered.begin(), ordered.end(), [](Symbols a, Symbols b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end());
  });
  trie.nodes_.assign(1, Node{});
  std::vector<std::uint32_t> parents = {kNone};
  std::vector<std::uint32_t> path = {0};  // the nodes of the reading before, by depth
  Symbols before;
  for (const Symbols reading : ordered) {
    std::size_t shared = 0;
    while (shared < before.size() && shared < reading.size() && before[shared] == reading[shared]) {
      ++shared;
    }
    path.resize(std::min(path.size(), before.size() + 1));
    for (std::size_t depth = shared; depth < reading.size(); ++depth) {
      if (trie.nodes_.size() >= max_nodes) return false;
      const auto id = static_cast<std::uint32_t>(trie.nodes_.size());
      const std::uint32_t parent = path[depth];
      if (depth + 1 < path.size()) {
        trie.nodes_[path[depth + 1]].next_sibling = id;  // the previous child
      } else {
        trie.nodes_[parent].first_child = id;
      }
      Node node;
      node.symbol = reading[depth];
      node.depth = static_cast<std::uint32_t>(depth + 1);
      trie.nodes_.push_back(node);
      parents.push_back(parent);
      path.resize(depth + 1);
      path.push_back(id);
    }
    path.resize(reading.size() + 1);
    trie.nodes_[path[reading.size()]].ends_reading = true;
    before = reading;
  }
  for (Node& node : trie.nodes_) {
    node.shortest_below = node.ends_reading ? node.depth : std::numeric_limits<std::uint32_t>::max();
    node.longest_below = node.ends_reading ? node.depth : 0;
  }
  // Children come after their parent.
  for (std::size_t id = trie.nodes_.size(); id-- > 1;) {
    Node& parent = trie.nodes_[parents[id]];
    parent.shortest_below = std::min(parent.shortest_below, trie.nodes_[id].shortest_below);
    parent.longest_below = std::max(parent.longest_below, trie.nodes_[id].longest_below);
  }
  return true;
}

bool ReadingTrieSearch::fits(const ReadingTrie& trie, Symbols reading) {
  return (std::uint64_t{reading.size()} + 1) * (std::uint64_t{trie.longest()} + 1) <= kMaxRowCells;
}

// Visits the root, then every node entered from its parent, depth first,
// filling its row of distances between the beginnings of `reading` and the
// node's string. visit(node, row) returns false to end the walk; enter(node,
// lower bound) whether to look below the node. False when `poll` stopped it.
template <class Visit, class Enter>
bool ReadingTrieSearch::walk(const ReadingTrie& trie, Symbols reading, InterruptionPoll& poll,
                             Visit&& visit, Enter&& enter) {
  const std::size_t width = reading.size() + 1;
  const std::uint64_t length = reading.size();
  rows_.resize(width * (std::size_t{trie.longest()} + 1));
  for (std::size_t i = 0; i < width; ++i) rows_[i] = static_cast<std::uint32_t>(i);
  const auto bound_below = [&](const ReadingTrie::Node& node, const std::uint32_t* row) {
    const std::uint64_t shortest = node.shortest_below - node.depth;
    const std::uint64_t longest = node.longest_below - node.depth;
    std::uint64_t bound = std::numeric_limits<std::uint64_t>::max();
    for (std::size_t i = 0; i < width; ++i) {
      const std::uint64_t rest = length - i;
      const std::uint64_t gap = rest < shortest ? shortest - rest : rest > longest ? rest - longest : 0;
      bound = std::min(bound, row[i] + gap);
    }
    return bound;
  };
  // The child matching the reading's next symbol first: it tends to settle
  // the search soonest.
  const auto push_children = [&](const ReadingTrie::Node& parent) {
    const bool has_next = parent.depth < reading.size();
    std::uint32_t matching = ReadingTrie::kNone;
    for (std::uint32_t c = parent.first_child; c != ReadingTrie::kNone;
         c = trie.node(c).next_sibling) {
      if (has_next && matching == ReadingTrie::kNone &&
          trie.node(c).symbol == reading[parent.depth]) {
        matching = c;
      } else {
        stack_.push_back(c);
      }
    }
    if (matching != ReadingTrie::kNone) stack_.push_back(matching);
  };
  stack_.clear();
  const ReadingTrie::Node& root = trie.node(0);
  if (!visit(root, rows_.data())) return true;
  if (!enter(root, bound_below(root, rows_.data()))) return true;
  push_children(root);
  while (!stack_.empty()) {
    if (poll.stop_after(width)) return false;
    const ReadingTrie::Node& node = trie.node(stack_.back());
    stack_.pop_back();
    const std::uint32_t* above = rows_.data() + (node.depth - 1) * width;
    std::uint32_t* row = rows_.data() + node.depth * width;
    row[0] = node.depth;
    for (std::size_t i = 1; i < width; ++i) {
      const std::uint32_t substitution = above[i - 1] + (reading[i - 1] != node.symbol ? 1 : 0);
      row[i] = std::min({above[i] + 1, row[i - 1] + 1, substitution});
    }
    if (!visit(node, row)) return true;
    if (enter(node, bound_below(node, row))) push_children(node);
  }
  return true;
}

bool ReadingTrieSearch::raise_similarity(const ReadingTrie& trie, Symbols reading, double floor,
                                         std::optional<double>& found, InterruptionPoll& poll) {
  const std::uint64_t m = reading.size();
  return walk(
      trie, reading, poll,
      [&](const ReadingTrie::Node& node, const std::uint32_t* row) {
        if (node.ends_reading) {
          const double similarity = similarity_from_distance(row[m], m, node.depth);
          if (similarity >= floor && (!found || similarity > *found)) found = similarity;
        }
        return found != 1.0;
      },
      // A similarity never grows with the distance nor shrinks with the
      // longer length (in floating point too: division rounds monotonically).
      [&](const ReadingTrie::Node& node, std::uint64_t bound) {
        const double best_below = similarity_from_distance(bound, m, node.longest_below);
        return found ? best_below > *found : best_below >= floor;
      });
}

bool ReadingTrieSearch::lower_distance(const ReadingTrie& trie, Symbols reading, bool can_win,
                                       std::uint64_t wanted, NearestReading& state,
                                       InterruptionPoll& poll) {
  const std::uint64_t m = reading.size();
  const auto improves = [&] { return can_win && (!state.nearest || *state.nearest > 0); };
  const auto improving = [&] { return state.nearest ? *state.nearest - 1 : wanted; };
  return walk(
      trie, reading, poll,
      [&](const ReadingTrie::Node& node, const std::uint32_t* row) {
        if (node.ends_reading) {
          const std::uint64_t distance = row[m];
          if (!state.similar && similarity_from_distance(distance, m, node.depth) > 0.0) {
            state.similar = true;
          }
          if (improves() && distance <= improving()) state.nearest = distance;
        }
        return !(state.similar && !improves());
      },
      // A reading below is similar only with a distance below the longer
      // length, at most the longer of m and the longest below.
      [&](const ReadingTrie::Node& node, std::uint64_t bound) {
        return (!state.similar && bound < std::max<std::uint64_t>(m, node.longest_below)) ||
               (improves() && bound <= improving());
      });
}

}  // namespace lumra
