// SpellingTrie: the spellings of many unit lists as one small lattice.
//
// A text's reading paths number up to max_paths, and most of them agree
// with their neighbours on all but a segment or two; spelling each path as
// its own chain (lattice_builder.h) and merging the copies afterwards costs
// a few thousand steps per path. Here each path is added only as its
// sequence of variant lists, a word per list, into a trie; the trie is
// folded into a DAG of its distinct endings, and only that DAG, usually a
// few dozen nodes, is spelled out, by vowel class as the builder does. The
// lattice spells exactly the strings the builder's would.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/base/result.h"
#include "core/lattice/lattice.h"
#include "core/lattice/lattice_error.h"
#include "ja/romaji/variant_lists.h"

namespace lumra::ja {

class SpellingTrie {
 public:
  // Adds the spellings of one non-empty unit list, given as its variant
  // lists (fill_unit_variant_lists), of which the first `same_as_previous`
  // are known to equal those of the previous add.
  void add(const UnitVariantLists& lists, std::size_t same_as_previous = 0);

  bool empty() const { return lists_of_nodes_.size() <= 1; }

  // A lattice spelling every string of every added list, its equivalent
  // nodes merged (merged_lattice.h); the trie must not be empty. Leaves the
  // trie empty. Fails only with Interrupted (core/base/interruption.h).
  Result<PathLattice, LatticeError> take_lattice();

 private:
  // A variant list packed into four words: its size, then each spelling's
  // byte count and bytes.
  using PackedList = std::array<std::uint64_t, 4>;

  // A small number for each distinct variant list; 0 for the long vowel
  // mark, whose spellings depend on the vowel before it.
  std::uint32_t list_number(const std::optional<VariantList>& list);
  std::uint32_t hashed_list_number(const VariantList& list);
  std::uint32_t child(std::uint32_t node, std::uint32_t list);
  void grow_lists();
  void grow_children();

  // Per trie node (0 is the root): the list on the edge from its parent,
  // its parent, and whether an added list ends there.
  std::vector<std::uint32_t> lists_of_nodes_ = {0};
  std::vector<std::uint32_t> parents_ = {0};
  std::vector<char> ends_ = {0};
  // Open-addressing tables: (parent << 32 | list) + 1 to child, 0 free;
  // packed list to number + 1, 0 free.
  std::vector<std::uint64_t> child_keys_;
  std::vector<std::uint32_t> child_values_;
  std::vector<std::uint32_t> list_slots_;
  std::vector<PackedList> packed_lists_ = {PackedList{}};
  std::vector<VariantList> lists_ = {VariantList{}};
  // Per kana table row (VariantList::row()), its list's number + 1, 0 while
  // not yet met.
  std::array<std::uint32_t, 256> row_numbers_{};
  // The last add's lists and the trie nodes they led to.
  UnitVariantLists previous_lists_;
  std::vector<std::uint32_t> previous_nodes_;
};

}  // namespace lumra::ja
