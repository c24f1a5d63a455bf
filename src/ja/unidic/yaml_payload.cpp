#include "ja/unidic/yaml_payload.h"

#include <optional>
#include <string>
#include <tuple>
#include <variant>

#include "ja/unidic/map_reading_index.h"
#include "ja/unidic/payload.h"
#include "ja/unidic/payload_file_error.h"
#include "payload/payload_file.h"
#include "payload/streamed_payload_document.h"
#include "payload/yaml/record_schema.h"
#include "payload/yaml/yaml_input.h"

namespace lumra::ja {
namespace {

// UnidicReadingIndexPayload with its entries fed to a builder as they come.
struct StreamedPayload {
  std::uint32_t schema_version = 0;
  std::string payload_type;
  payload::StreamedEntries entries;
};

}  // namespace
}  // namespace lumra::ja

namespace lumra::payload {

template <>
struct RecordSchema<ja::StreamedPayload> {
  static constexpr std::string_view kName = "UnidicReadingIndexPayload";
  static constexpr auto kFields =
      std::make_tuple(required_field("schema_version", &ja::StreamedPayload::schema_version),
                      required_field("payload_type", &ja::StreamedPayload::payload_type),
                      required_field("entries", &ja::StreamedPayload::entries));
};

}  // namespace lumra::payload

namespace lumra::ja {
namespace {

using namespace unidic_errors;

constexpr std::string_view kEntryRecord = "UnidicReadingIndexPayloadEntry";

// A failed read of the file, seen by libyaml as its input stopping: a file
// that grew past the limit fails on the limit; one the system stopped
// reading is a failure of the parse, with the system's reason.
UnidicLoadError read_failure(const payload::PayloadFileError& failure) {
  if (const auto* os = std::get_if<payload::FileOsError>(&failure)) {
    return Yaml{payload::os_error_text(os->code)};
  }
  return to_load_error(failure);
}

Result<std::unique_ptr<UnidicReadingIndex>, UnidicLoadError> decode_text(
    std::string_view text, payload::YamlReading reading, std::uint64_t table_bytes) {
  StreamedPayload document;
  std::optional<payload::SurfaceTableBuilder> table;
  Status<payload::YamlError> parsed = payload::decode_streamed_text(
      text, reading, table_bytes, make_unidic_table_builder, kEntryRecord, document, table);
  if (!parsed.ok()) return Fail(Yaml{parsed.error().message});
  return finish_reading_index(document.schema_version, document.payload_type,
                              std::move(*table));
}

Result<std::unique_ptr<UnidicReadingIndex>, UnidicLoadError> decode_stream(
    payload::YamlInput& input, const payload::PayloadFile& file) {
  StreamedPayload document;
  payload::SurfaceTableBuilder table = make_unidic_table_builder();
  Status<payload::YamlError> parsed =
      payload::decode_streamed_input(input, kEntryRecord, document, table);
  if (!parsed.ok()) {
    if (file.failure()) return Fail(read_failure(*file.failure()));
    return Fail(Yaml{parsed.error().message});
  }
  return finish_reading_index(document.schema_version, document.payload_type,
                              std::move(table));
}

}  // namespace

Result<std::unique_ptr<UnidicReadingIndex>, UnidicLoadError> load_yaml_payload(
    std::string_view path) {
  auto file = payload::PayloadFile::open(path, UnidicArtifactLimits::kPayloadBytes);
  if (!file.ok()) return Fail(to_load_error(file.error()));
  std::string text;
  if (file.value().read_whole(text)) {
    return decode_text(text, payload::YamlReading::kSubsetThenLibyaml, text.size());
  }
  if (file.value().failure()) return Fail(read_failure(*file.value().failure()));
  payload::PrefixedInput input(text, file.value());
  return decode_stream(input, file.value());
}

Result<std::unique_ptr<UnidicReadingIndex>, UnidicLoadError> parse_yaml_payload(
    std::string_view yaml, payload::YamlReading reading) {
  return decode_text(yaml, reading, 0);
}

}  // namespace lumra::ja
