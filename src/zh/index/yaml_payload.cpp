#include "zh/index/yaml_payload.h"

#include <string>
#include <tuple>

#include "payload/payload_file.h"
#include "payload/streamed_entries.h"
#include "payload/yaml/record_schema.h"
#include "payload/yaml/yaml_decoder.h"
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

Result<std::unique_ptr<ZhReadingIndex>, ZhLoadError> decode(payload::YamlDecoder& decoder,
                                                            const payload::PayloadFile* file) {
  payload::SurfaceTableBuilder builder = make_zh_table_builder();
  // The entries' texts nearly always take fewer bytes in the table than in
  // the file, which also holds keys and indentation: the file's size spares
  // the table the copies of growing (a hint only; the table still grows if
  // escapes make it short). Only the pages written are ever backed.
  if (file != nullptr) builder.reserve(0, file->size_when_opened());
  StreamedPayload document;
  document.entries = {&builder, "ZhReadingIndexPayloadEntry"};
  Status<payload::YamlError> parsed = payload::decode_yaml_document(decoder, document);
  if (!parsed.ok()) {
    // libyaml only sees that its input stopped; the file knows why. A file
    // that grew past the limit fails on the limit; one the system stopped
    // reading is a failure of the parse, with the system's reason.
    if (file != nullptr && file->failure()) {
      if (const auto* os = std::get_if<payload::FileOsError>(&*file->failure())) {
        return Fail(Yaml{payload::os_error_text(os->code)});
      }
      return Fail(file_error(*file->failure()));
    }
    return Fail(Yaml{parsed.error().message});
  }
  return finish_zh_index(document.schema_version, document.payload_type, document.pinyin_view,
                         std::move(builder));
}

}  // namespace

Result<std::unique_ptr<ZhReadingIndex>, ZhLoadError> load_zh_yaml_payload(std::string_view path) {
  auto file = payload::PayloadFile::open(path, ZhArtifactLimits::kPayloadBytes);
  if (!file.ok()) return Fail(file_error(file.error()));
  payload::YamlDecoder decoder(file.value());
  return decode(decoder, &file.value());
}

Result<std::unique_ptr<ZhReadingIndex>, ZhLoadError> parse_zh_yaml_payload(std::string_view yaml) {
  payload::YamlDecoder decoder(yaml);
  return decode(decoder, nullptr);
}

}  // namespace lumra::zh
