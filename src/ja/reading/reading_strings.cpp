#include "ja/reading/reading_strings.h"

#include <vector>

#include "ja/reading/ascii_token.h"
#include "ja/reading/dictionary_error.h"
#include "ja/reading/path_romaji.h"
#include "ja/reading/validate_reading_options.h"
#include "ja/romaji/expansion.h"
#include "ja/text/next_char.h"
#include "ja/unidic/segmentation.h"

namespace lumra::ja {

Result<TextList, JapaneseDistanceError> reading_strings(const UnidicReadingIndex& index,
                                                        std::string_view text,
                                                        const ReadingOptions& options) {
  LUMRA_TRY_DICTIONARY(validate_reading_options(options));
  auto plain = expand_romaji_text(text, kReadingExpansionLimits);
  const bool has_alnum = has_ascii_alnum(text);
  if (plain.ok() && !has_alnum) return plain;

  PathRomajiConverter converter;
  ReadingPathTable table;
  if (plain.ok()) {
    // Mixed text that reads as it stands may also be a dictionary word as a
    // whole, or hold one.
    TextList set = std::move(plain).value();
    std::vector<std::string_view> readings;
    auto found = index.lookup_folded(text, readings);
    LUMRA_TRY_DICTIONARY(found);
    const std::size_t used = readings_used(options, readings.size());
    for (std::size_t r = 0; r < used; ++r) {
      const ReadingSegment whole{text, readings[r], false};
      LUMRA_TRY(converter.add_strings(std::span(&whole, 1), set));
    }
    auto has_token = has_dictionary_ascii_token(index, text);
    LUMRA_TRY_DICTIONARY(has_token);
    if (has_token.value()) {
      LUMRA_TRY_DICTIONARY(table.build(index, text, options, true));
      LUMRA_TRY(converter.add_strings(table, set));
    }
    set.sort_unique();
    return set;
  }

  TextList set;
  for (const bool fallback : {false, true}) {
    LUMRA_TRY_DICTIONARY(table.build(index, text, options, fallback));
    LUMRA_TRY(converter.add_strings(table, set));
    if (!set.empty()) {
      set.sort_unique();
      return set;
    }
  }
  return Fail(plain.take_error());
}

}  // namespace lumra::ja
