// RomajiUnit: one unit of kana text on its way to romaji.
#pragma once

#include <cstdint>
#include <string>

namespace lumra::ja {

enum class RomajiUnitKind : std::uint8_t {
  Kana,         // one or two hiragana characters (katakana folded), or the long vowel mark
  Ascii,        // one ASCII character, white space stored as a space
  Punctuation,  // one punctuation character, read as itself
};

struct RomajiUnit {
  RomajiUnitKind kind;
  char32_t first;
  char32_t second = 0;  // the second character of a two-character kana key, else 0

  // The unit's characters as UTF-8.
  std::string text() const;

  bool operator==(const RomajiUnit&) const = default;
};

}  // namespace lumra::ja
