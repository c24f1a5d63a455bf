// Direct pinyin input: text that is taken to be pinyin already.
//
// A Chinese query may be typed as pinyin ("Ni3 Hao3!") instead of Han
// characters. Such text is made only of direct input characters: ASCII,
// white space and the common punctuation, the same set the romaji expansion
// reads as it stands. It is compared by its normalised form, and a run of it
// inside Han text may stand as a segment of its own.
#pragma once

#include <string>
#include <string_view>

#include "ja/romaji/char_classes.h"

namespace lumra::zh {

// ASCII, Unicode white space, or the punctuation ja::is_romaji_punctuation
// lists.
constexpr bool is_direct_input_char(char32_t c) {
  return c < 0x80 || ja::is_white_space(c) || ja::is_romaji_punctuation(c);
}

// True when `text` is not empty and every character of it is direct input.
bool is_direct_pinyin_input(std::string_view text);

// In this order: every Unicode white space character removed, ASCII A-Z
// lower-cased, and every "u:" replaced by "v" left to right without overlap.
// Nothing else changes: "ü", tone digits and punctuation stay as they are.
//   "Ni3 Hao3!" -> "ni3hao3!", "Lu :4" -> "lv4"
std::string normalize_direct_input(std::string_view text);

}  // namespace lumra::zh
