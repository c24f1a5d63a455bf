#include "zh/index/yaml_payload.h"

#include <optional>
#include <string>
#include <tuple>
#include <variant>

#include "payload/payload_file.h"
#include "payload/streamed_payload_document.h"
#include "payload/yaml/record_schema.h"
#include "payload/yaml/yaml_input.h"
#include "zh/index/map_reading_index.h"
#include "zh/index/payload.h"

namespace lumra::zh {
namespace {

// ZhReadingIndexPayload with its entries fed to a builder as they come.
struct StreamedPayload {
  std::uint32_t schema_version = 0;
  std::string payload_type;
  std::string pinyin_view;
  payload::StreamedEntries entries;
};

}  // namespace
}  // namespace lumra::zh

namespace lumra::payload {

template <>
struct RecordSchema<zh::StreamedPayload> {
  static constexpr std::string_view kName = "ZhReadingIndexPayload";
  static constexpr auto kFields =
      std::make_tuple(required_field("schema_version", &zh::StreamedPayload::schema_version),
                      required_field("payload_type", &zh::StreamedPayload::payload_type),
                      required_field("pinyin_view", &zh::StreamedPayload::pinyin_view),
                      required_field("entries", &zh::StreamedPayload::entries));
};

}  // namespace lumra::payload

namespace lumra::zh {
namespace {

using namespace zh_errors;

ZhLoadError file_error(const payload::PayloadFileError& error) {
  if (const auto* os = std::get_if<payload::FileOsError>(&error)) {
    return Io{payload::os_error_text(os->code)};
  }
  return ArtifactLimitExceeded{"payload_bytes", std::get<payload::FileTooLarge>(error).size,
                               ZhArtifactLimits::kPayloadBytes};
}

constexpr std::string_view kEntryRecord = "ZhReadingIndexPayloadEntry";

// A failed read of the file, seen by libyaml as its input stopping: a file
// that grew past the limit fails on the limit; one the system stopped
// reading is a failure of the parse, with the system's reason.
ZhLoadError read_failure(const payload::PayloadFileError& failure) {
  if (const auto* os = std::get_if<payload::FileOsError>(&failure)) {
    return Yaml{payload::os_error_text(os->code)};
  }
  return file_error(failure);
}

Result<std::unique_ptr<ZhReadingIndex>, ZhLoadError> decode_text(
    std::string_view text, payload::YamlReading reading, std::uint64_t table_bytes) {
  StreamedPayload document;
  std::optional<payload::SurfaceTableBuilder> table;
  Status<payload::YamlError> parsed = payload::decode_streamed_text(
      text, reading, table_bytes, make_zh_table_builder, kEntryRecord, document, table);
  if (!parsed.ok()) return Fail(Yaml{parsed.error().message});
  return finish_zh_index(document.schema_version, document.payload_type, document.pinyin_view,
                         std::move(*table));
}

Result<std::unique_ptr<ZhReadingIndex>, ZhLoadError> decode_stream(
    payload::YamlInput& input, const payload::PayloadFile& file) {
  StreamedPayload document;
  payload::SurfaceTableBuilder table = make_zh_table_builder();
  Status<payload::YamlError> parsed =
      payload::decode_streamed_input(input, kEntryRecord, document, table);
  if (!parsed.ok()) {
    if (file.failure()) return Fail(read_failure(*file.failure()));
    return Fail(Yaml{parsed.error().message});
  }
  return finish_zh_index(document.schema_version, document.payload_type, document.pinyin_view,
                         std::move(table));
}

}  // namespace

Result<std::unique_ptr<ZhReadingIndex>, ZhLoadError> load_zh_yaml_payload(std::string_view path) {
  auto file = payload::PayloadFile::open(path, ZhArtifactLimits::kPayloadBytes);
  if (!file.ok()) return Fail(file_error(file.error()));
  std::string text;
  if (file.value().read_whole(text)) {
    return decode_text(text, payload::YamlReading::kSubsetThenLibyaml, text.size());
  }
  if (file.value().failure()) return Fail(read_failure(*file.value().failure()));
  payload::PrefixedInput input(text, file.value());
  return decode_stream(input, file.value());
}

Result<std::unique_ptr<ZhReadingIndex>, ZhLoadError> parse_zh_yaml_payload(
    std::string_view yaml, payload::YamlReading reading) {
  return decode_text(yaml, reading, 0);
}

}  // namespace lumra::zh
