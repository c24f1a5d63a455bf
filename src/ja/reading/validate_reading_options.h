// The limit check of ReadingOptions for Japanese queries.
#pragma once

#include "core/base/result.h"
#include "ja/reading/reading_options.h"
#include "ja/unidic/unidic_load_error.h"

namespace lumra::ja {

// Checks max_span_chars, then max_paths, then max_readings_per_segment
// against their limits; the first one above its limit fails with
// ArtifactLimitExceeded naming the option.
Status<UnidicLoadError> validate_reading_options(const ReadingOptions& options);

}  // namespace lumra::ja
