// Vowel classes: what the long vowel mark "ー" depends on.
//
// The mark repeats the last vowel written so far, so the spellings that can
// follow a prefix depend on nothing but the class of its last lower-case
// vowel. The lattice builder merges prefixes by this class.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ja/romaji/romaji_variant.h"

namespace lumra::ja {

// In the order the lattice builder numbers its class nodes.
enum class VowelClass : std::uint8_t { None, A, I, U, E, O };
inline constexpr std::size_t kVowelClassCount = 6;

// The class after writing `text` behind a prefix of class `start`: the last
// of a, e, i, o, u in `text` (upper case and everything else are not
// vowels), or `start` when `text` has none. Scanning bytes is enough: the
// vowels are ASCII and no byte of a longer UTF-8 sequence is.
constexpr VowelClass vowel_class_after(VowelClass start, std::string_view text) {
  for (std::size_t i = text.size(); i-- > 0;) {
    switch (text[i]) {
      case 'a': return VowelClass::A;
      case 'i': return VowelClass::I;
      case 'u': return VowelClass::U;
      case 'e': return VowelClass::E;
      case 'o': return VowelClass::O;
      default: break;
    }
  }
  return start;
}

// The same for a spelling, whose last vowel it knows.
constexpr VowelClass vowel_class_after(VowelClass start, const RomajiVariant& spelling) {
  // The ranks of RomajiVariant::last_vowel() follow the enumeration.
  return spelling.last_vowel() == 0 ? start : static_cast<VowelClass>(spelling.last_vowel());
}

// The spellings of "ー" after a prefix of class `last`.
const VariantList& long_vowel_variants(VowelClass last);

}  // namespace lumra::ja
