// The reading options of one call.
#pragma once

#include "ja/reading/reading_options.h"
#include "python/parameter_list.h"

namespace lumra::python {

// Each option the call leaves unset (absent or None) takes the
// dictionary's default; a call cannot unset a default that has a value.
// The result is fresh: the defaults are never written.
inline ja::ReadingOptions resolve_options(const ReadingOptionArguments& given,
                                          const ja::ReadingOptions& defaults) {
  ja::ReadingOptions options = defaults;
  if (given.max_readings_per_segment) {
    options.max_readings_per_segment = given.max_readings_per_segment;
  }
  if (given.max_span_chars) options.max_span_chars = *given.max_span_chars;
  if (given.max_paths) options.max_paths = *given.max_paths;
  if (given.longest_only) options.longest_only = *given.longest_only;
  return options;
}

}  // namespace lumra::python
