#include "ja/romaji/split_units.h"

#include "ja/romaji/char_classes.h"
#include "ja/romaji/kana_table.h"
#include "ja/text/next_char.h"

namespace lumra::ja {

Status<JapaneseDistanceError> append_romaji_units(std::string_view text, bool allow_punctuation,
                                                  std::vector<RomajiUnit>& units) {
  const std::size_t kept = units.size();
  std::uint64_t index = 0;
  for (std::size_t at = 0; at < text.size(); ++index) {
    const NextChar c = next_char(text, at);
    at += c.size;
    if (is_white_space(c.value)) {
      units.push_back({RomajiUnitKind::Ascii, U' '});
      continue;
    }
    if (c.value < 0x80) {
      units.push_back({RomajiUnitKind::Ascii, c.value});
      continue;
    }
    if (allow_punctuation && is_romaji_punctuation(c.value)) {
      units.push_back({RomajiUnitKind::Punctuation, c.value});
      continue;
    }
    const char32_t folded = fold_katakana(c.value);
    if (!is_kana(folded)) {
      units.resize(kept);
      return Fail(distance_errors::UnsupportedCharacter{c.value, index});
    }
    if (at < text.size()) {
      // The next character is folded but not tested: the table decides.
      const NextChar next = next_char(text, at);
      const char32_t next_folded = fold_katakana(next.value);
      if (find_kana_row(folded, next_folded) != nullptr) {
        units.push_back({RomajiUnitKind::Kana, folded, next_folded});
        at += next.size;
        ++index;
        continue;
      }
    }
    units.push_back({RomajiUnitKind::Kana, folded});
  }
  return Unit{};
}

Result<std::vector<RomajiUnit>, JapaneseDistanceError> split_romaji_units(std::string_view text,
                                                                         bool allow_punctuation) {
  std::vector<RomajiUnit> units;
  LUMRA_TRY(append_romaji_units(text, allow_punctuation, units));
  return units;
}

bool is_romaji_expandable(std::string_view text) {
  // Per character: see is_romaji_readable for why neighbours do not matter.
  for (std::size_t at = 0; at < text.size();) {
    const NextChar c = next_char(text, at);
    if (!is_romaji_readable(c.value)) return false;
    at += c.size;
  }
  return true;
}

}  // namespace lumra::ja
