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
#include <span>
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

  // Forgets every list and sequence, keeping the buffers for the next ones.
  void clear();

  // A lattice spelling every string of every added list, its equivalent
  // nodes merged (merged_lattice.h); the trie must not be empty. Leaves the
  // trie empty. Fails only with Interrupted (core/base/interruption.h).
  Result<PathLattice, LatticeError> take_lattice();

  // A small number for each distinct variant list, equal for equal lists;
  // 0 for the long vowel mark, whose spellings depend on the vowel before
  // it.
  std::uint32_t list_number(const std::optional<VariantList>& list);
  // The list numbered `number` (not 0).
  const VariantList& numbered_list(std::uint32_t number) const { return lists_[number]; }

  // One edge of a graph of variant lists: the list's number (list_number)
  // and the node it leads to.
  struct ListEdge {
    std::uint32_t list;
    std::uint32_t target;
  };

  // take_lattice() for a graph of lists made elsewhere instead of the added
  // ones (the trie must be empty): node 0 is where every sequence starts,
  // node k's edges are edges[first_edge[k], first_edge[k + 1]), every edge
  // leads to a higher node, no node has two edges of one list, every node
  // lies on a way to a node that `ends`, and the lists were numbered by
  // this trie. A lattice of the same strings as the trie of the graph's
  // sequences would give. Leaves the trie empty.
  Result<PathLattice, LatticeError> take_graph_lattice(std::span<const std::uint32_t> first_edge,
                                                       std::span<const ListEdge> edges,
                                                       std::span<const char> ends);

  // The heap the trie's buffers take, kept or not, about.
  std::size_t footprint() const;

 private:
  // A variant list packed into four words: its size, then each spelling's
  // byte count and bytes.
  using PackedList = std::array<std::uint64_t, 4>;

  Result<PathLattice, LatticeError> spell_graph(std::span<const std::uint32_t> first_edge,
                                                std::span<const ListEdge> edges,
                                                std::span<const char> ends);
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
