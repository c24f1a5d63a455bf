// Step three of the romaji expansion, string form: every romaji spelling of
// a kana text, as explicit strings.
//
// The number of spellings multiplies with every ambiguous unit, so the
// string form is bounded: by the characters of the input, by the strings
// of any intermediate step and by the characters written in one step.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "core/base/result.h"
#include "ja/japanese_distance_error.h"
#include "ja/romaji/romaji_unit.h"
#include "ja/romaji/text_list.h"
#include "ja/romaji/variant_lists.h"

namespace lumra::ja {

struct RomajiExpansionLimits {
  std::uint64_t max_input_chars;
  std::uint64_t max_paths;
  std::uint64_t max_symbols;
};

// The limits of the reading forms.
inline constexpr RomajiExpansionLimits kReadingExpansionLimits{1024, 65536, 1048576};

// All spellings of `units`, in expansion order (each earlier string's
// continuations before the next string's; the variants of a unit in table
// order), repeats kept. No units give the one empty string. Fails with
// ExpansionLimitExceeded when a step would hold more than `max_paths`
// strings or write more than `max_symbols` characters, or with the error of
// unit_variant_lists.
Result<TextList, JapaneseDistanceError> expand_romaji_units(std::span<const RomajiUnit> units,
                                                            std::uint64_t max_paths,
                                                            std::uint64_t max_symbols);

// `text` (at most `max_input_chars` characters) split with punctuation
// allowed and expanded within the other two limits.
Result<TextList, JapaneseDistanceError> expand_romaji_text(std::string_view text,
                                                           const RomajiExpansionLimits& limits);

// The expansion with buffers that are kept between calls, for callers that
// expand many unit lists in a row.
class RomajiExpander {
 public:
  // Replaces the contents of `out` with the spellings of `units`; `out` is
  // unspecified on failure.
  Status<JapaneseDistanceError> expand(std::span<const RomajiUnit> units, std::uint64_t max_paths,
                                       std::uint64_t max_symbols, TextList& out);

 private:
  UnitVariantLists lists_;
  TextList previous_;
  std::vector<std::uint64_t> previous_chars_;
  std::vector<std::uint64_t> chars_;
};

}  // namespace lumra::ja
