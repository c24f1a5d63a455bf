// Loading a Japanese payload file by the name of its format.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <variant>

#include "core/base/result.h"
#include "ja/unidic/reading_index.h"
#include "ja/unidic/unidic_load_error.h"

namespace lumra::ja {

// A format name no Japanese loader answers to. Its message is
// "unsupported payload_format {name, quoted}; expected 'yaml', 'binary', or
// 'indexed'".
struct UnsupportedUnidicPayloadFormat {
  std::string name;
};

using UnidicPayloadLoadError = std::variant<UnidicLoadError, UnsupportedUnidicPayloadFormat>;

std::string message(const UnsupportedUnidicPayloadFormat& error);

// "binary" and "binary.surface-readings.v1", matched exactly, case included.
bool is_binary_format_name(std::string_view format);
std::string message(const UnidicPayloadLoadError& error);

// "yaml" and "yaml.surface-readings.v1" load a YAML payload
// (load_yaml_payload), "binary" and "binary.surface-readings.v1" a binary
// one (load_binary_payload); names match exactly, case included. The indexed
// form has no loader yet, so its names are unsupported for now.
Result<std::unique_ptr<UnidicReadingIndex>, UnidicPayloadLoadError> load_unidic_payload(
    std::string_view path, std::string_view format);

}  // namespace lumra::ja
