// The size of a string-form expansion, counted without writing it.
//
// Whether an expansion stays within its limits depends only on how many
// strings each step holds and how many characters it writes, and those
// follow from the variant lists by arithmetic: strings that end in the same
// vowel class continue alike, so six running totals stand for all of them.
#pragma once

#include <cstdint>

#include "ja/romaji/variant_lists.h"

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

}  // namespace lumra::ja
