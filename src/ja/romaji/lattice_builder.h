// RomajiLatticeBuilder: every romaji spelling of several kana texts as one
// PathLattice, without writing the spellings out.
//
// Each added unit list becomes a graph from the shared start node to the
// shared end node. Within one list, prefixes that end in the same vowel
// class meet in one node (the long vowel mark is all that looks back, and
// it looks only at that class), so the graph grows with the length of the
// text, not with the number of spellings. A spelling of several characters
// is a chain through interior nodes of its own. Node numbers grow along
// every arc: a step numbers its interior nodes first and its class nodes
// after them, and the end node, numbered last, is known only at finish().
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <vector>

#include "core/base/interruption.h"
#include "core/base/result.h"
#include "core/lattice/lattice.h"
#include "ja/japanese_distance_error.h"
#include "ja/romaji/romaji_unit.h"
#include "ja/romaji/spelling_trie.h"
#include "ja/romaji/variant_lists.h"

namespace lumra::ja {

class RomajiLatticeBuilder {
 public:
  // A builder without a node limit.
  RomajiLatticeBuilder() = default;
  // A builder whose lattice may have at most `max_nodes` nodes; an add that
  // would pass it fails with DistanceMatrix (rows = the nodes it would
  // reach, cols = 1, max_cells = `max_nodes`). With the state limit of the
  // lattice searches as `max_nodes`, a lattice that no search could take
  // fails before it has taken its memory.
  explicit RomajiLatticeBuilder(std::uint64_t max_nodes) : max_nodes_(max_nodes) {}

  // A builder that only counts nodes: from this builder's state, it takes
  // the same adds and fails on the same one with the same error, but keeps
  // no arcs, so a lattice too large for any search is found out before its
  // arcs take their memory. Its finish() is not to be used.
  RomajiLatticeBuilder counting() const;

  // A builder that keeps only what its adds spell (spelling_trie.h): it
  // takes the same adds and fails on the same one with the same error, and
  // its finish() gives a lattice of the same strings with its equivalent
  // nodes merged, a small fraction of the nodes written out.
  // built_node_count() then tells how many nodes the lattice as written
  // would have had, which is what `max_nodes` is checked against. The trie
  // numbers its nodes in 32 bits, so `max_nodes` must stay below 2^31, as
  // the search limit does.
  static RomajiLatticeBuilder compact(std::uint64_t max_nodes);

  // Adds every spelling of `units` as paths from start to end. On failure
  // (the errors of unit_variant_lists, or the node limit) the builder is
  // unchanged. Stopped by the thread's interruption source (core/base/
  // interruption.h), an add fails as at the node limit; whoever installed
  // the source discards that error.
  Status<JapaneseDistanceError> add_units(std::span<const RomajiUnit> units);

  // The lattice of everything added, or nothing when nothing was added; the
  // one-node lattice when only empty unit lists were added. Empty and
  // non-empty lists together fail with MixedEmptyAndNonEmptyPaths. Leaves
  // the builder empty, ready for another lattice.
  Result<std::optional<PathLattice>, JapaneseDistanceError> finish();

  // The node count of the lattice the last finish() gave, as written out
  // (the end node numbered last); 0 when it gave none.
  std::uint64_t built_node_count() const { return built_nodes_; }

 private:
  void add_arc(std::uint64_t src, std::uint64_t dst, Symbol symbol);
  // The variant lists of `units` into lists_; returns how many leading
  // lists are those of the previous add.
  Result<std::size_t, JapaneseDistanceError> variant_lists_of(std::span<const RomajiUnit> units);

  std::vector<LatticeArc> arcs_;
  // Symbols of the arcs that join start and end directly. Every other arc
  // touches a node created by the add_units call that added it, so only
  // these can repeat an arc already present.
  std::vector<Symbol> direct_symbols_;
  UnitVariantLists lists_;  // reused by every add_units call

  // A builder that writes no arcs (counting or compact) takes each add
  // where it starts to differ from the add before: a text's paths, added
  // in byte order, mostly share their beginnings. Kept from the previous
  // add_units call: its units, its lists as far as they were made with the
  // unit after each, and per step whose lists are all still those, the
  // nodes the add had made up to its end and the vowel classes it reached.
  struct StepCount {
    std::uint64_t nodes;
    std::uint8_t classes;
  };
  std::vector<RomajiUnit> previous_units_;
  std::vector<std::size_t> list_ends_;
  std::vector<StepCount> step_counts_;
  // Whether the previous add_units call went into spellings_.
  bool previous_spelled_ = false;
  std::uint64_t next_node_ = 1;
  std::uint64_t max_nodes_ = std::numeric_limits<std::uint64_t>::max();
  bool has_empty_ = false;
  bool has_non_empty_ = false;
  bool counting_ = false;
  bool compact_ = false;
  SpellingTrie spellings_;  // what a compact builder keeps
  std::uint64_t built_nodes_ = 0;
  // Kept across adds: a text may add many short unit lists.
  InterruptionPoll poll_;
};

}  // namespace lumra::ja
