#include "ja/romaji/split_units.h"

#include "ja/romaji/char_classes.h"
#include "ja/romaji/kana_table.h"
#include "ja/text/next_char.h"

namespace lumra::ja {

Status<JapaneseDistanceError> append_romaji_units(std::string_view text, bool allow_punctuation,
                                                  std::vector<RomajiUnit>& units) {
  const std::size_t kept = units.size();
  std::uint64_t index = 0;
  for (std::size_t at = 0; at < text.size();) {
    const UnitAt step = romaji_unit_at(text, at, allow_punctuation);
    if (!step.ok) {
      units.resize(kept);
      return Fail(distance_errors::UnsupportedCharacter{step.unsupported, index});
    }
    units.push_back(step.unit);
    at = step.end;
    index += step.chars;
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
