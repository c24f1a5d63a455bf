// The size of a string-form expansion, counted without writing it.
//
// Whether an expansion stays within its limits depends only on how many
// strings each step holds and how many characters it writes, and those
// follow from the variant lists by arithmetic: strings that end in the same
// vowel class continue alike, so six running totals stand for all of them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ja/romaji/variant_lists.h"
#include "ja/romaji/vowel_class.h"

namespace lumra::ja {

struct ExpansionSize {
  // False when expand_romaji_units would fail on a limit with these lists.
  bool within_limits;
  // With within_limits: the strings of the last step and their UTF-8 bytes
  // together, repeats counted.
  std::uint64_t strings;
  std::uint64_t bytes;
};

ExpansionSize expansion_size(const UnitVariantLists& lists, std::uint64_t max_paths,
                             std::uint64_t max_symbols);

// expansion_size over a series of list sequences that tend to begin alike
// (a text's reading paths in the byte order of their texts): the totals
// after each list are kept, and a sequence whose first lists are those of
// the one measured before is measured from there.
class ExpansionMeter {
 public:
  ExpansionMeter(std::uint64_t max_paths, std::uint64_t max_symbols)
      : max_paths_(max_paths), max_symbols_(max_symbols) {}

  // expansion_size(lists, ...), where the first `kept` lists are those of
  // the last call's `lists`.
  ExpansionSize measure(const UnitVariantLists& lists, std::size_t kept);

  // The totals of one step, per vowel class.
  struct ClassTotals {
    std::uint64_t strings = 0;
    std::uint64_t chars = 0;
    std::uint64_t bytes = 0;
  };

 private:
  std::uint64_t max_paths_;
  std::uint64_t max_symbols_;
  // steps_[d]: the totals after d lists of the last call, as far as it went.
  std::vector<std::array<ClassTotals, kVowelClassCount>> steps_;
};

}  // namespace lumra::ja
