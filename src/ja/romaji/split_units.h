// Step one of the romaji expansion: kana text to RomajiUnits.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "core/base/result.h"
#include "ja/japanese_distance_error.h"
#include "ja/romaji/char_classes.h"
#include "ja/romaji/kana_table.h"
#include "ja/romaji/romaji_unit.h"
#include "ja/text/next_char.h"

namespace lumra::ja {

// One unit split off `text` at byte `at` (< text.size()), as the splitting
// below does it. `looked_end` bounds the bytes the decision read: a text
// that agrees with `text` on [0, looked_end) splits the same unit here. It
// may pass the text's end, and does when the unit could have taken a next
// character that the text does not have.
struct UnitAt {
  bool ok;  // false: the character at `at` is not supported
  RomajiUnit unit;
  std::size_t end;         // where the next unit starts
  std::size_t chars;       // characters taken, 1 or 2
  std::size_t looked_end;
  char32_t unsupported;  // when not ok
};

inline UnitAt romaji_unit_at(std::string_view text, std::size_t at, bool allow_punctuation) {
  const NextChar c = next_char(text, at);
  const std::size_t after = at + c.size;
  if (is_white_space(c.value)) return {true, {RomajiUnitKind::Ascii, U' '}, after, 1, after, 0};
  if (c.value < 0x80) return {true, {RomajiUnitKind::Ascii, c.value}, after, 1, after, 0};
  if (allow_punctuation && is_romaji_punctuation(c.value)) {
    return {true, {RomajiUnitKind::Punctuation, c.value}, after, 1, after, 0};
  }
  const char32_t folded = fold_katakana(c.value);
  if (!is_kana(folded)) return {false, {}, after, 1, after, c.value};
  if (after < text.size()) {
    // The next character is folded but not tested: the table decides. A
    // malformed one may have been read up to four bytes deep.
    const NextChar next = next_char(text, after);
    const char32_t next_folded = fold_katakana(next.value);
    const std::size_t looked = after + 4;
    if (find_kana_row(folded, next_folded) != nullptr) {
      return {true, {RomajiUnitKind::Kana, folded, next_folded}, after + next.size, 2, looked, 0};
    }
    return {true, {RomajiUnitKind::Kana, folded}, after, 1, looked, 0};
  }
  return {true, {RomajiUnitKind::Kana, folded}, after, 1, after + 1, 0};
}

// Splits `text` left to right: white space becomes an Ascii space, any other
// ASCII character an Ascii unit, punctuation (only when `allow_punctuation`,
// which raw text has and dictionary readings have not) a Punctuation unit,
// and kana a Kana unit, katakana folded to hiragana, two characters at once
// when they form a key of the table. Anything else fails with
// UnsupportedCharacter for the first such character and its char index.
Result<std::vector<RomajiUnit>, JapaneseDistanceError> split_romaji_units(std::string_view text,
                                                                         bool allow_punctuation);

// The same, appending to `units`; on failure `units` is left as it was.
// Lets a reading path join the units of its segments without a copy.
Status<JapaneseDistanceError> append_romaji_units(std::string_view text, bool allow_punctuation,
                                                  std::vector<RomajiUnit>& units);

// Whether `text`, split with punctuation allowed, gives units that all have
// romaji spellings, without expanding anything.
bool is_romaji_expandable(std::string_view text);

}  // namespace lumra::ja
