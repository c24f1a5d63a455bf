// What a verified bundle gives its dictionary.
#pragma once

#include <memory>
#include <string>

#include "ja/reading/reading_options.h"

namespace lumra::artifacts {

template <class Index>
struct LoadedBundle {
  std::unique_ptr<Index> index;
  // The metadata's query defaults, within their limits.
  ja::ReadingOptions query_defaults;
  std::string artifact_name;
  std::string source_name;
  // build.reading_field of a Japanese bundle, build.pinyin_view of a Chinese
  // one (then equal to the payload's canonical view name).
  std::string build_name;
};

}  // namespace lumra::artifacts
