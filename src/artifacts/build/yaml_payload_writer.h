// The YAML payload files of both languages, which the YAML payload loaders
// read back into the same entries.
#pragma once

#include <string>

#include "core/base/result.h"
#include "ja/unidic/payload.h"
#include "zh/index/payload.h"

namespace lumra::artifacts::build {

// The document text of `payload`, entries in their order. Fails only when
// libyaml's emitter does (a text that is not UTF-8, no memory); the
// message is its complaint.
Result<std::string, std::string> encode_unidic_yaml_payload(
    const ja::UnidicReadingIndexPayload& payload);
Result<std::string, std::string> encode_zh_yaml_payload(const zh::ZhReadingIndexPayload& payload);

}  // namespace lumra::artifacts::build
