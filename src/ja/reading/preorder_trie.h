// PreorderTrie: the distinct strings of a SpellingTree as a trie of
// symbols laid out in preorder, for a search that walks it many times.
//
// The best pair search of two texts that read very differently runs tens
// of thousands of strings through the other side's tree, each visiting
// thousands of its prefixes. Spelling those prefixes again for every string
// (decoding variants, choosing among siblings, keeping a stack) costs many
// times the row that each prefix gets. Laid out in preorder, a subtree is a
// run of nodes that one index skips, the walk is a loop over an array, and
// each symbol is a small number that picks its match word directly.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "core/base/symbols.h"
#include "ja/reading/spelling_tree.h"

namespace lumra::ja {

class PreorderTrie {
 public:
  // Twelve bytes: the walk reads one per row it fills.
  struct Node {
    // The index past the node's subtree.
    std::uint32_t end;
    // The length of the prefix that the node spells; 0 for the root.
    std::uint16_t depth;
    // The node's symbol, as its index in letters().
    std::uint16_t letter : 15;
    std::uint16_t ends_string : 1;
    // The fewest and the most symbols that the strings strictly below the
    // node add to its prefix (both 0 for a leaf).
    std::uint16_t shortest_below;
    std::uint16_t longest_below;
  };
  // Depths and letters fit their fields; a search sets up a limit for
  // every length, for each text.
  static constexpr std::uint32_t kMaxLength = 4096;
  static constexpr std::size_t kMaxLetters = 0x7FFF;

  // The distinct strings of `tree` (finished), or none when spelling them
  // would take more than `max_steps` symbols (prefixes shared by several of
  // the tree's paths counted once per path), more than `max_nodes` nodes,
  // more than kMaxLetters distinct symbols or a string longer than
  // kMaxLength.
  static std::optional<PreorderTrie> spell(const SpellingTree& tree, std::uint64_t max_steps,
                                           std::size_t max_nodes);

  // The root first, then every subtree after its node.
  const std::vector<Node>& nodes() const { return nodes_; }
  // The distinct symbols, each once.
  const std::vector<Symbol>& letters() const { return letters_; }
  // The index of `symbol` in letters(), or none.
  std::optional<std::uint16_t> letter_of(Symbol symbol) const;
  // The longest string.
  std::uint32_t longest() const { return nodes_[0].longest_below; }

 private:
  PreorderTrie() = default;

  std::vector<Node> nodes_;
  std::vector<Symbol> letters_;
  static constexpr std::uint16_t kNoLetter = 0xFFFF;
  std::array<std::uint16_t, 128> ascii_letters_{};
  // The letters past ASCII, by symbol.
  std::vector<std::pair<Symbol, std::uint16_t>> other_letters_;
};

}  // namespace lumra::ja
