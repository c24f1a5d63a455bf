// The `entries` sequence of a surface-readings payload, decoded one entry at
// a time straight into a SurfaceTableBuilder instead of being held whole: a
// payload of hundreds of megabytes never exists as records in memory.
//
// Each entry is a mapping with the required keys `surface` (a string) and
// `readings` (a sequence of strings), other keys ignored, with the schema
// errors of record_schema.h. Readings past the builder's count limit are
// checked for their type and counted but not kept.
#pragma once

#include <string_view>

#include "core/base/result.h"
#include "payload/surface_table_builder.h"
#include "payload/yaml/yaml_decoder.h"

namespace lumra::payload {

struct StreamedEntries {
  SurfaceTableBuilder* builder = nullptr;
  std::string_view entry_record_name;  // as type errors name an entry
};

Status<YamlError> read_value(YamlDecoder& decoder, StreamedEntries& entries);

}  // namespace lumra::payload
