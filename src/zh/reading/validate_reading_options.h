// The limit check of ReadingOptions for Chinese queries.
//
// The options and their limits are those of the Japanese readings; only the
// error differs, so that a Chinese query reports "zh artifact ..." limits.
#pragma once

#include "core/base/result.h"
#include "ja/reading/reading_options.h"
#include "zh/index/zh_load_error.h"

namespace lumra::zh {

using ja::ReadingOptions;

// Checks max_span_chars, then max_paths, then max_readings_per_segment
// against their limits; the first one above its limit fails with
// ArtifactLimitExceeded naming the option.
Status<ZhLoadError> validate_reading_options(const ReadingOptions& options);

}  // namespace lumra::zh
