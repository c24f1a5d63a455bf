// TrieSpeller: the spellings of unit lists written straight into a trie.
//
// A text's reading paths number up to max_paths and each spells up to
// 65536 strings; writing every string out, hashing it to drop repeats and
// decoding it again for the search costs far more than the search. Here a
// path's variant lists are walked step by step over a frontier of trie
// nodes, the distinct prefixes spelled so far, so a prefix shared by many
// strings is spelled once. Paths come in the byte order of their reading
// texts, so neighbours mostly agree on their first units: the frontiers of
// the previous path's lists are kept and reused as far as the lists agree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/base/interruption.h"
#include "ja/reading/string_trie.h"
#include "ja/romaji/variant_lists.h"
#include "ja/romaji/vowel_class.h"

namespace lumra::ja {

class TrieSpeller {
 public:
  // `trie` must outlive the speller and gain strings only through it.
  explicit TrieSpeller(StringTrie& trie) : trie_(trie) {}

  enum class Outcome : std::uint8_t {
    Added,
    Full,     // the trie filled up first
    Stopped,  // the thread's interruption source asked to stop
  };

  // Adds every spelling of `lists` (fill_unit_variant_lists) to the trie.
  // Each node a spelling passes is counted as work for the interruption
  // source: a text's trie may take a second to spell.
  Outcome add(const UnitVariantLists& lists);

 private:
  struct Prefix {
    StringTrie::NodeId node;
    std::uint32_t bytes;  // of the prefix in UTF-8
    VowelClass last_vowel;
  };

  // Spells `list` (absent for the long vowel mark) behind the frontier of
  // depth `depth`, as the frontier of depth + 1.
  Outcome step(std::size_t depth, const std::optional<VariantList>& list);
  // Spells `text` below `node`; kNone when the trie is full.
  StringTrie::NodeId spell(StringTrie::NodeId node, std::string_view text, bool ascii);

  StringTrie& trie_;
  UnitVariantLists previous_lists_;
  // Frontier d (the distinct prefixes after d lists) is
  // prefixes_[starts_[d], starts_[d + 1]).
  std::vector<Prefix> prefixes_;
  std::vector<std::size_t> starts_;
  // Per trie node, the last step that reached it, to keep a frontier
  // distinct.
  std::vector<std::uint64_t> seen_;
  std::uint64_t steps_ = 0;
  InterruptionPoll poll_;
};

}  // namespace lumra::ja
