// The string form of a Japanese text's readings: every romaji string it may
// be read as, for the normalized metrics.
#pragma once

#include <string_view>

#include "core/base/result.h"
#include "ja/japanese_distance_error.h"
#include "ja/reading/reading_options.h"
#include "ja/romaji/text_list.h"
#include "ja/unidic/reading_index.h"

namespace lumra::ja {

// A text that reads as kana, ASCII and punctuation alone, with no ASCII
// letter or digit, gives its plain expansion in expansion order (repeats
// possible). One with ASCII letters or digits gives, as a set in byte
// order, its plain expansion, the readings of the whole text as one
// surface, and, when one of its ASCII words is a surface, the readings of
// all its segmentations with the fallback. Any other text gives the set of
// its segmentations' readings, without the fallback first and with it when
// that gives nothing; when neither gives anything, the error of reading it
// plainly (such as the unsupported character). Option and lookup failures
// are Dictionary errors; romaji limits end the query.
Result<TextList, JapaneseDistanceError> reading_strings(const UnidicReadingIndex& index,
                                                        std::string_view text,
                                                        const ReadingOptions& options);

// The same strings (and the same failures) in no promised order, for
// callers that only take the best of them: sorting is left out.
Result<TextList, JapaneseDistanceError> unordered_reading_strings(const UnidicReadingIndex& index,
                                                                  std::string_view text,
                                                                  const ReadingOptions& options);

}  // namespace lumra::ja
