// The character classes that decide how a character reads in romaji.
#pragma once

#include "ja/romaji/kana_table.h"

namespace lumra::ja {

// The Unicode White_Space set.
constexpr bool is_white_space(char32_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
         c == 0x205F || c == 0x3000;
}

// Punctuation that raw text may carry through as itself: full-width ASCII
// punctuation, the half-width CJK marks, and the common CJK and general
// punctuation.
constexpr bool is_romaji_punctuation(char32_t c) {
  return (c >= 0xFF01 && c <= 0xFF0F) || (c >= 0xFF1A && c <= 0xFF20) ||
         (c >= 0xFF3B && c <= 0xFF40) || (c >= 0xFF5B && c <= 0xFF65) || c == 0x00B7 ||
         c == 0x2026 || c == 0x3030 || c == 0x30FB || (c >= 0x2010 && c <= 0x2015) ||
         (c >= 0x2018 && c <= 0x201F) || (c >= 0x3001 && c <= 0x3002) ||
         (c >= 0x3008 && c <= 0x3011) || (c >= 0x3014 && c <= 0x301F);
}

// Katakana read as the hiragana 0x60 below them.
constexpr char32_t fold_katakana(char32_t c) { return c >= 0x30A1 && c <= 0x30F6 ? c - 0x60 : c; }

// Whether a folded character is kana: hiragana or the long vowel mark.
constexpr bool is_kana(char32_t folded) {
  return (folded >= 0x3041 && folded <= 0x3096) || folded == kLongVowelMark;
}

// Whether `c` can stand in raw text that is read in romaji as it stands,
// whatever surrounds it. A text reads exactly when each of its characters
// does: a kana without a row of its own never takes part in a two-character
// key (those pair a kana that has a row with a small ya, yu or yo), so
// neighbours can neither rescue nor spoil a character.
inline bool is_romaji_readable(char32_t c) {
  if (c < 0x80 || is_white_space(c) || is_romaji_punctuation(c)) return true;
  const char32_t folded = fold_katakana(c);
  return is_kana(folded) && find_kana_row(folded) != nullptr;
}

}  // namespace lumra::ja
