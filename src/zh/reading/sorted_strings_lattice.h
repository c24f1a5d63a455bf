// The compact lattice of reading strings that arrive in ascending order.
//
// PathLattice::from_paths_compact accepts paths in any order and builds a
// prefix tree of ordered maps before merging it, which dominates the cost of
// reading a short text. Reading strings come out of the segmentation already
// sorted and distinct, and for such input the merged lattice can be built in
// one pass: a node is final once the next string leaves its prefix, so it is
// merged right away (Daciuk et al., incremental construction of minimal
// acyclic automata) and only the path of the latest string is ever open.
//
// For strings in ascending symbol order without repeats the result is the
// lattice from_paths_compact builds, node for node and arc for arc. Strings
// out of order still give a valid lattice with exactly their paths, only not
// the smallest one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/base/result.h"
#include "core/base/symbols.h"
#include "core/lattice/lattice.h"

namespace lumra::zh {

class SortedStringsLattice {
 public:
  // Adds the string `utf8`, which should sort after every string added
  // before it.
  void add(std::string_view utf8);

  // The lattice of the strings added, which are then forgotten. The empty
  // string follows the rules of the path-list builders: alone it is the
  // one-node lattice, beside others it fails with MixedEmptyAndNonEmptyPaths;
  // no string at all fails with Empty.
  Result<PathLattice, LatticeError> finish();

 private:
  // A final arc (to the end node) or an arc to a merged state.
  struct Item {
    Symbol symbol;
    std::uint32_t target;  // kFinal, or a state
  };
  struct State {
    std::size_t first_item;
    std::uint32_t item_count;
    std::uint32_t height;  // the longest path from the state to the end
    std::uint64_t hash;
  };

  // Merges the deepest open node into an equal state, or makes it one, and
  // links its parent to it.
  void close_deepest();
  std::uint32_t register_state(std::size_t first, std::size_t count);
  void reset();

  std::vector<Symbol> previous_;  // the latest string, decoded
  std::vector<Symbol> current_;
  // Open nodes: the prefixes of the latest string. Each one's items sit on
  // top of open_items_ while it is the deepest, since only the deepest open
  // node ever receives items.
  std::vector<std::size_t> open_first_item_;
  std::vector<Item> open_items_;
  std::vector<State> states_;
  std::vector<Item> state_items_;
  std::vector<std::uint32_t> slots_;  // open addressing over states_, 0 for free
  std::size_t string_count_ = 0;
  bool has_empty_ = false;
};

}  // namespace lumra::zh
