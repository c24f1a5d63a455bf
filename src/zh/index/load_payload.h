// Loading a Chinese payload file by the name of its format.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <variant>

#include "core/base/result.h"
#include "zh/index/reading_index.h"
#include "zh/index/zh_load_error.h"

namespace lumra::zh {

// A format name no Chinese loader answers to. Its message is
// "unsupported payload_format {name, quoted}; expected 'yaml' or 'indexed'".
struct UnsupportedZhPayloadFormat {
  std::string name;
};

using ZhPayloadLoadError = std::variant<ZhLoadError, UnsupportedZhPayloadFormat>;

std::string message(const UnsupportedZhPayloadFormat& error);
std::string message(const ZhPayloadLoadError& error);

// "yaml" and "yaml.surface-readings.v1" load a YAML payload
// (load_zh_yaml_payload); names match exactly, case included.
Result<std::unique_ptr<ZhReadingIndex>, ZhPayloadLoadError> load_zh_payload(
    std::string_view path, std::string_view format);

}  // namespace lumra::zh
