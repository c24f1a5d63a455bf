// The query's readings as a trie, searched with one reading at a time.
//
// A query of a few surfaces with many readings each, spelled every way,
// has tens of thousands of readings that share long beginnings. Comparing
// a span reading with each of them costs a distance per pair; walking
// their trie instead fills one Levenshtein row per trie node, so a shared
// beginning is worked once, and a subtree none of whose readings can still
// matter is not entered at all.
//
// Every alignment of a reading r (m symbols) with a string below a node
// passes through the node's row at some column i; the rest of r from i and
// the rest of the string then differ in length by at least the gap between
// m - i and the lengths left below the node. The smallest row entry plus its
// gap bounds from below the distance of r to every string below the node.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/base/interruption.h"
#include "core/base/symbols.h"

namespace lumra {

class SortedReadings;

class ReadingTrie {
 public:
  static constexpr std::uint32_t kNone = ~std::uint32_t{0};

  struct Node {
    Symbol symbol;  // the last symbol of the node's string; none for the root
    std::uint32_t first_child = kNone;
    std::uint32_t next_sibling = kNone;
    std::uint32_t depth = 0;           // the length of the node's string
    std::uint32_t shortest_below = 0;  // lengths of the readings at or below
    std::uint32_t longest_below = 0;
    bool ends_reading = false;
  };

  // Becomes the trie of `readings`; false, leaving it unusable, when that
  // would take more than `max_nodes` nodes.
  bool assign(const SortedReadings& readings, std::size_t max_nodes);

  const Node& node(std::uint32_t id) const { return nodes_[id]; }
  std::uint32_t longest() const { return nodes_[0].longest_below; }

 private:
  std::vector<Node> nodes_;  // the root first, then in depth-first order
};

// What a span reading adds to the distance form's score: whether some pair
// is similar (a distance below the longer length) and the smallest distance
// up to a bound.
struct NearestReading {
  bool similar = false;
  std::optional<std::uint64_t> nearest;
};

// Searches a trie with one reading at a time, keeping its row buffers.
class ReadingTrieSearch {
 public:
  // Whether the rows of `reading` against `trie` fit the buffers' limit.
  static bool fits(const ReadingTrie& trie, Symbols reading);

  // Raises `found` to the best similarity of `reading` with a trie reading
  // that is at least `floor` and above `found`. False when `poll` stopped it.
  bool raise_similarity(const ReadingTrie& trie, Symbols reading, double floor,
                        std::optional<double>& found, InterruptionPoll& poll);

  // Sets `state.similar` when some trie reading is similar to `reading`,
  // and lowers `state.nearest` to the smallest distance of a trie reading
  // when it is at most `improving` (and `improves`); stops early once
  // `state` is settled: similar, and nothing left to improve. False when
  // `poll` stopped it.
  bool lower_distance(const ReadingTrie& trie, Symbols reading, bool can_win,
                      std::uint64_t wanted, NearestReading& state, InterruptionPoll& poll);

 private:
  template <class Visit, class Enter>
  bool walk(const ReadingTrie& trie, Symbols reading, InterruptionPoll& poll, Visit&& visit,
            Enter&& enter);

  std::vector<std::uint32_t> rows_;
  std::vector<std::uint32_t> stack_;
};

}  // namespace lumra
