// Decoding a surface-readings payload document whose `entries` stream into a
// SurfaceTableBuilder, for the loaders of both languages.
//
// `Document` is the language's payload record: its scalar fields plus an
// `entries` member of type StreamedEntries, with a RecordSchema
// specialisation visible where these templates are instantiated. The
// language finishes the index from the document's fields and the table.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "core/base/result.h"
#include "payload/streamed_entries.h"
#include "payload/surface_table_builder.h"
#include "payload/yaml/yaml_decoder.h"
#include "payload/yaml/yaml_input.h"
#include "payload/yaml/yaml_reading.h"

namespace lumra::payload {

// A payload read whole: through the block-subset reader, and through libyaml
// when that gives up. `table_bytes` presizes the table: the entries' texts
// nearly always take fewer bytes in the table than in the file, which also
// holds keys and indentation, so the file's size spares the table the copies
// of growing (a hint only; only the pages written are ever backed). On
// success `table` holds the table of the reading that succeeded.
template <class Document>
Status<YamlError> decode_streamed_text(std::string_view text, YamlReading reading,
                                       std::uint64_t table_bytes,
                                       SurfaceTableBuilder (*make_table)(),
                                       std::string_view entry_record, Document& document,
                                       std::optional<SurfaceTableBuilder>& table) {
  return parse_yaml_text(text, reading, [&](YamlDecoder& decoder) {
    table.reset();  // a first reading's table goes before the second's comes
    table.emplace(make_table());
    table->reserve(0, table_bytes);
    document = Document{};
    document.entries = {&*table, entry_record};
    return decode_yaml_document(decoder, document);
  });
}

// A file longer than its size said (a pipe, a device, a file still being
// written): streamed through libyaml from what was read on, so that memory
// stays bounded by the file's recorded size.
template <class Document>
Status<YamlError> decode_streamed_input(YamlInput& input, std::string_view entry_record,
                                        Document& document, SurfaceTableBuilder& table) {
  document.entries = {&table, entry_record};
  YamlDecoder decoder(input);
  return decode_yaml_document(decoder, document);
}

}  // namespace lumra::payload
