// Step two of the romaji expansion: the spellings of each unit in context.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "core/base/result.h"
#include "ja/japanese_distance_error.h"
#include "ja/romaji/romaji_unit.h"
#include "ja/romaji/romaji_variant.h"

namespace lumra::ja {

// A unit's own spellings: a Kana unit's table row (MissingRomajiVariant when
// the table has none), or an Ascii or Punctuation unit's character.
Result<VariantList, JapaneseDistanceError> romaji_variants(const RomajiUnit& unit);

// Whether `unit` and `next` are read as one: an ASCII consonant (any letter
// but a, e, i, o, u, in either case) before a lone small ya, yu or yo, as in
// "kゃ" for "kya".
bool can_combine_ascii_small_kana(const RomajiUnit& unit, const RomajiUnit& next);

// Whether the list made at `unit` depends on the unit after it: a small
// tsu doubles the next consonant, and an ASCII consonant may join a small
// ya, yu or yo. Every other unit's list is its own.
bool list_looks_ahead(const RomajiUnit& unit);

// The spellings of every position of `units`, in order, each without
// repeats. Absent marks the long vowel mark, whose spellings depend on what
// precedes it. A combined ASCII consonant and small kana give one list; a
// small tsu may also be spelled as the consonant that doubles the next
// unit's. Fails with MissingRomajiVariant for the first unit without a row
// (for a small tsu, the unit after it is checked first).
using UnitVariantLists = std::vector<std::optional<VariantList>>;
Result<UnitVariantLists, JapaneseDistanceError> unit_variant_lists(std::span<const RomajiUnit> units);

// The same into `lists`, which is cleared first and reused.
Status<JapaneseDistanceError> fill_unit_variant_lists(std::span<const RomajiUnit> units,
                                                      UnitVariantLists& lists);

// The same from where `lists` stops: `lists` holds the first lists of
// `units`, and `ends` (as many) the unit after each, so that a list whose
// units, and the unit after them, are unchanged need not be made again. On
// failure both keep the lists made before it. Without `ends`, `lists` must
// be empty.
Status<JapaneseDistanceError> extend_unit_variant_lists(std::span<const RomajiUnit> units,
                                                        UnitVariantLists& lists,
                                                        std::vector<std::size_t>* ends);

}  // namespace lumra::ja
