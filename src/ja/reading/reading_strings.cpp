#include "ja/reading/reading_strings.h"

#include <vector>

#include "ja/reading/ascii_token.h"
#include "ja/reading/dictionary_error.h"
#include "ja/reading/path_romaji.h"
#include "ja/reading/validate_reading_options.h"
#include "ja/romaji/expansion.h"
#include "ja/romaji/text_set.h"
#include "ja/text/next_char.h"
#include "ja/unidic/segmentation.h"

namespace lumra::ja {

namespace {

struct GatheredStrings {
  TextList strings;
  bool is_set;  // distinct strings in insertion order, rather than an expansion
};

Result<GatheredStrings, JapaneseDistanceError> gather_reading_strings(
    const UnidicReadingIndex& index, std::string_view text, const ReadingOptions& options) {
  LUMRA_TRY_DICTIONARY(validate_reading_options(options));
  auto plain = expand_romaji_text(text, kReadingExpansionLimits);
  const bool has_alnum = has_ascii_alnum(text);
  if (plain.ok() && !has_alnum) return GatheredStrings{std::move(plain).value(), false};

  PathRomajiConverter converter;
  ReadingPathTable table;
  TextSet set;
  if (plain.ok()) {
    // Mixed text that reads as it stands may also be a dictionary word as a
    // whole, or hold one.
    set.insert_all(plain.value());
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
    return GatheredStrings{set.take(), true};
  }

  for (const bool fallback : {false, true}) {
    LUMRA_TRY_DICTIONARY(table.build(index, text, options, fallback));
    LUMRA_TRY(converter.add_strings(table, set));
    if (!set.empty()) return GatheredStrings{set.take(), true};
  }
  return Fail(plain.take_error());
}

}  // namespace

Result<TextList, JapaneseDistanceError> reading_strings(const UnidicReadingIndex& index,
                                                        std::string_view text,
                                                        const ReadingOptions& options) {
  LUMRA_TRY_ASSIGN(GatheredStrings gathered, gather_reading_strings(index, text, options));
  if (gathered.is_set) gathered.strings.sort_unique();
  return std::move(gathered.strings);
}

Result<TextList, JapaneseDistanceError> unordered_reading_strings(const UnidicReadingIndex& index,
                                                                  std::string_view text,
                                                                  const ReadingOptions& options) {
  LUMRA_TRY_ASSIGN(GatheredStrings gathered, gather_reading_strings(index, text, options));
  return std::move(gathered.strings);
}

}  // namespace lumra::ja
