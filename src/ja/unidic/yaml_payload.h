// The YAML payload of the UniDic reading index:
//
//   schema_version: 1
//   payload_type: lumra.unidic.reading-index.surface-readings
//   entries:
//     - surface: 日本
//       readings: [にほん, にっぽん]
//
// Keys in any order, other keys ignored. The entries are validated as they
// are parsed (map_reading_index.h), but every YAML error of the document,
// wherever it stands, is reported before any validation failure, and the
// header fields are checked before the entries, as if the document had been
// decoded whole first.
#pragma once

#include <memory>
#include <string_view>

#include "core/base/result.h"
#include "ja/unidic/reading_index.h"
#include "ja/unidic/unidic_load_error.h"
#include "payload/yaml/yaml_reading.h"

namespace lumra::ja {

// Reads the file at `path` (UTF-8): its metadata (Io), its size against
// 536870912 bytes (ArtifactLimitExceeded "payload_bytes"), then opens it
// (Io), reads it whole (Yaml when the system fails a read) and parses it as
// one document (Yaml), then validates it. A directory fails to open. The
// text is read by the block-subset reader, and again by libyaml when that
// gives up or finds a YAML error (payload/yaml/yaml_reading.h); a file
// longer than its size said is streamed through libyaml.
Result<std::unique_ptr<UnidicReadingIndex>, UnidicLoadError> load_yaml_payload(
    std::string_view path);

// The same for a payload already in memory; `reading` chooses the readers
// (tests compare them).
Result<std::unique_ptr<UnidicReadingIndex>, UnidicLoadError> parse_yaml_payload(
    std::string_view yaml,
    payload::YamlReading reading = payload::YamlReading::kSubsetThenLibyaml);

}  // namespace lumra::ja
