#include "ja/unidic/yaml_payload.h"

#include <string>
#include <tuple>

#include "ja/unidic/map_reading_index.h"
#include "ja/unidic/payload.h"
#include "ja/unidic/payload_file_error.h"
#include "payload/payload_file.h"
#include "payload/streamed_entries.h"
#include "payload/yaml/record_schema.h"
#include "payload/yaml/yaml_decoder.h"

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

Result<std::unique_ptr<UnidicReadingIndex>, UnidicLoadError> decode(
    payload::YamlDecoder& decoder, const payload::PayloadFile* file) {
  payload::SurfaceTableBuilder builder = make_unidic_table_builder();
  // The entries' texts nearly always take fewer bytes in the table than in
  // the file, which also holds keys and indentation: the file's size spares
  // the table the copies of growing (a hint only; the table still grows if
  // escapes make it short). Only the pages written are ever backed.
  if (file != nullptr) builder.reserve(0, file->size_when_opened());
  StreamedPayload document;
  document.entries = {&builder, "UnidicReadingIndexPayloadEntry"};
  Status<payload::YamlError> parsed = payload::decode_yaml_document(decoder, document);
  if (!parsed.ok()) {
    // libyaml only sees that its input stopped; the file knows why. A file
    // that grew past the limit fails on the limit; one the system stopped
    // reading is a failure of the parse, with the system's reason.
    if (file != nullptr && file->failure()) {
      if (const auto* os = std::get_if<payload::FileOsError>(&*file->failure())) {
        return Fail(Yaml{payload::os_error_text(os->code)});
      }
      return Fail(to_load_error(*file->failure()));
    }
    return Fail(Yaml{parsed.error().message});
  }
  return finish_reading_index(document.schema_version, document.payload_type, std::move(builder));
}

}  // namespace

Result<std::unique_ptr<UnidicReadingIndex>, UnidicLoadError> load_yaml_payload(
    std::string_view path) {
  auto file = payload::PayloadFile::open(path, UnidicArtifactLimits::kPayloadBytes);
  if (!file.ok()) return Fail(to_load_error(file.error()));
  payload::YamlDecoder decoder(file.value());
  return decode(decoder, &file.value());
}

Result<std::unique_ptr<UnidicReadingIndex>, UnidicLoadError> parse_yaml_payload(
    std::string_view yaml) {
  payload::YamlDecoder decoder(yaml);
  return decode(decoder, nullptr);
}

}  // namespace lumra::ja
