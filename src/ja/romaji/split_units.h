// Step one of the romaji expansion: kana text to RomajiUnits.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "core/base/result.h"
#include "ja/japanese_distance_error.h"
#include "ja/romaji/romaji_unit.h"

namespace lumra::ja {

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
