// The normalized similarity of two Japanese texts by their readings.
#pragma once

#include <string_view>

#include "core/base/result.h"
#include "ja/japanese_distance_error.h"
#include "ja/reading/reading_options.h"
#include "ja/unidic/reading_index.h"

namespace lumra::ja {

// The best normalized similarity between a reading string of `left` and
// one of `right` (reading_strings of each, left first; the first failure is
// returned), in [0, 1].
Result<double, JapaneseDistanceError> best_reading_similarity(const UnidicReadingIndex& index,
                                                              std::string_view left,
                                                              std::string_view right,
                                                              const ReadingOptions& options);

}  // namespace lumra::ja
