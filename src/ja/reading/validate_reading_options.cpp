#include "ja/reading/validate_reading_options.h"

namespace lumra::ja {

Status<UnidicLoadError> validate_reading_options(const ReadingOptions& options) {
  using unidic_errors::ArtifactLimitExceeded;
  if (options.max_span_chars > ReadingOptionLimits::kMaxSpanChars) {
    return Fail(ArtifactLimitExceeded{"max_span_chars", options.max_span_chars,
                                      ReadingOptionLimits::kMaxSpanChars});
  }
  if (options.max_paths > ReadingOptionLimits::kMaxPaths) {
    return Fail(
        ArtifactLimitExceeded{"max_paths", options.max_paths, ReadingOptionLimits::kMaxPaths});
  }
  if (options.max_readings_per_segment &&
      *options.max_readings_per_segment > ReadingOptionLimits::kMaxReadingsPerSegment) {
    return Fail(ArtifactLimitExceeded{"max_readings_per_segment",
                                      *options.max_readings_per_segment,
                                      ReadingOptionLimits::kMaxReadingsPerSegment});
  }
  return Unit{};
}

}  // namespace lumra::ja
