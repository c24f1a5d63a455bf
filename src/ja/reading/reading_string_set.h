// The reading strings of a text as a set for the best-pair search.
//
// The normalized metrics only take the best pair of two texts' reading
// strings, so neither the order of a text's strings nor their repeats
// matter, and writing them out is most of the cost: here the spellings of
// every reading path go straight into a StringTrie. Whether the string
// form would fail, and with which error, is still decided as reading_strings
// decides it, by counting instead of writing.
#pragma once

#include <string_view>
#include <vector>

#include "core/base/result.h"
#include "core/base/symbols.h"
#include "core/strings/string_workspace.h"
#include "ja/japanese_distance_error.h"
#include "ja/reading/reading_options.h"
#include "ja/reading/string_trie.h"
#include "ja/unidic/reading_index.h"

namespace lumra::ja {

// Exactly the strings of reading_strings, as a set. A text whose strings
// would outgrow the trie keeps them as a list instead.
class ReadingStringSet {
 public:
  // The strings of `text`, or the error reading_strings gives for it. The
  // trie may take `max_trie_nodes` nodes.
  static Result<ReadingStringSet, JapaneseDistanceError> of(
      const UnidicReadingIndex& index, std::string_view text, const ReadingOptions& options,
      std::size_t max_trie_nodes = StringTrie::kDefaultMaxNodes);

  // The best similarity of a string of `left` with one of `right`
  // (best_pair_similarity), 0.0 when either is empty.
  friend double best_similarity(const ReadingStringSet& left, const ReadingStringSet& right,
                                StringWorkspace& workspace);

  std::uint64_t size() const;
  // The strings as a list, written out from the trie when they are in one.
  std::vector<std::vector<Symbol>> strings() const;
  // Whether the strings outgrew the trie.
  bool listed() const { return listed_; }

 private:
  explicit ReadingStringSet(std::size_t max_trie_nodes) : trie_(max_trie_nodes) {}

  StringTrie trie_;
  bool listed_ = false;  // the strings are in list_, the trie unused
  std::vector<std::vector<Symbol>> list_;
};

double best_similarity(const ReadingStringSet& left, const ReadingStringSet& right,
                       StringWorkspace& workspace);

}  // namespace lumra::ja
