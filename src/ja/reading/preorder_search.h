// The best similarity of one text with the strings of a PreorderTrie, by
// bit rows down the trie.
#pragma once

#include <cstdint>
#include <vector>

#include "core/base/interruption.h"
#include "core/base/symbols.h"
#include "ja/reading/bit_row.h"
#include "ja/reading/preorder_trie.h"

namespace lumra::ja {

class PreorderSearch {
 public:
  explicit PreorderSearch(const PreorderTrie& trie);

  // Texts this search takes: one row is one machine word.
  static bool takes(Symbols text) { return !text.empty() && text.size() <= 64; }

  // Raises `best` to the best similarity of `text` (takes(text)) with a
  // string of the trie that beats it. Every alignment of `text` with a
  // string below a node passes through the node's row at some column i,
  // and the rest of `text` from i and the rest of the string differ in
  // length by at least the gap between m - i and the lengths the strings
  // below add: entries of a row step by at most one, so the smallest row
  // entry between the columns where that gap is 0 bounds the distance of
  // every string below. A similarity never grows with the distance nor
  // shrinks with the longer length, so a subtree whose bound, taken with
  // its longest string, does not beat `best` holds nothing that does, and
  // is skipped whole. A stop asked by the interruption source leaves
  // `best` as it stands.
  void raise_best(Symbols text, double& best);

  // The rows filled so far, over every text.
  std::uint64_t rows_filled() const { return rows_filled_; }

 private:
  // The largest distances that beat `best` for each longer length; false
  // when none does (a perfect pair is found).
  bool set_limits(double best);
  // The walk down the trie for the text set up, and the same compiled for
  // processors that count bits in one instruction.
  void walk(double& best);
  void walk_with_popcnt(double& best);

  const PreorderTrie& trie_;
  std::uint32_t length_ = 0;  // of the text
  // Which of the text's symbols each letter matches.
  std::vector<std::uint64_t> matches_;
  // The row of each depth on the way to the node being visited.
  std::vector<BitRow> rows_;
  // By the length of a trie string (up to the trie's longest): the largest
  // distance whose similarity with the text beats the best, plus one (0:
  // none does).
  std::vector<std::uint32_t> beating_;
  std::uint64_t rows_filled_ = 0;
  InterruptionPoll poll_;
};

}  // namespace lumra::ja
