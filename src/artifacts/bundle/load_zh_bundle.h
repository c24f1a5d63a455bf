// Loading a Chinese dictionary from a bundle: its metadata.yaml, licence
// files and payload, verified before anything is built.
#pragma once

#include <optional>
#include <string_view>

#include "artifacts/bundle/bundle_error.h"
#include "artifacts/bundle/loaded_bundle.h"
#include "core/base/result.h"
#include "zh/index/reading_index.h"

namespace lumra::artifacts {

// The steps of load_unidic_bundle with the Chinese schema
// (parse_zh_metadata), the type "lumra.zh.reading-index" and the Chinese
// payload loader (load_chinese_payload). The content checks run cheapest
// first: the entry count, the pinyin view (build.pinyin_view exactly the
// payload's canonical view name), then the canonical checksum.
Result<LoadedBundle<zh::ZhReadingIndex>, ZhBundleError> load_zh_bundle(
    std::string_view metadata_path, std::optional<std::string_view> bundle_dir);

}  // namespace lumra::artifacts
