#include "zh/reading/validate_reading_options.h"

namespace lumra::zh {

Status<ZhLoadError> validate_reading_options(const ReadingOptions& options) {
  using Limits = ja::ReadingOptionLimits;
  using zh_errors::ArtifactLimitExceeded;
  if (options.max_span_chars > Limits::kMaxSpanChars) {
    return Fail(
        ArtifactLimitExceeded{"max_span_chars", options.max_span_chars, Limits::kMaxSpanChars});
  }
  if (options.max_paths > Limits::kMaxPaths) {
    return Fail(ArtifactLimitExceeded{"max_paths", options.max_paths, Limits::kMaxPaths});
  }
  if (options.max_readings_per_segment &&
      *options.max_readings_per_segment > Limits::kMaxReadingsPerSegment) {
    return Fail(ArtifactLimitExceeded{"max_readings_per_segment",
                                      *options.max_readings_per_segment,
                                      Limits::kMaxReadingsPerSegment});
  }
  return Unit{};
}

}  // namespace lumra::zh
