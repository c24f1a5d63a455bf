// What a partial alignment by readings may know of a Japanese span's
// string form without writing it out (core/alignment/span_outlook.h).
#pragma once

#include <string_view>

#include "core/alignment/span_outlook.h"
#include "ja/reading/reading_options.h"
#include "ja/unidic/reading_index.h"

namespace lumra::ja {

// Whether unordered_reading_strings of `text` would give strings, fail, or
// report that the text has none, and with strings, when known, bounds on
// the node count of their chain lattice and on the shortest: forecast by
// counting (forecast_reading_strings_extent), never optimistic.
SpanOutlook reading_strings_outlook(const UnidicReadingIndex& index, std::string_view text,
                                    const ReadingOptions& options);

}  // namespace lumra::ja
