#include "ja/unidic/binary_payload_writer.h"

#include <optional>

#include "core/base/message_template.h"
#include "ja/unidic/binary_payload_format.h"
#include "payload/replace_file.h"

namespace lumra::ja {

namespace {

using namespace unidic_errors;
namespace format = binary_payload;

template <class Unsigned>
void append_unsigned(std::string& out, Unsigned value) {
  for (std::size_t i = 0; i < sizeof(Unsigned); ++i) {
    out += static_cast<char>(value & 0xFF);
    value = static_cast<Unsigned>(value >> 8);
  }
}

// The checks of the loader for one text, in its order.
Status<UnidicLoadError> append_text(std::string& out, std::string_view text,
                                    std::string_view field, std::uint64_t max) {
  if (text.size() > max) return Fail(ArtifactLimitExceeded{std::string(field), text.size(), max});
  if (std::optional<Utf8Error> error = find_utf8_error(text)) {
    return Fail(InvalidBinaryUtf8{std::string(field), *error});
  }
  append_unsigned(out, static_cast<std::uint32_t>(text.size()));
  out += text;
  return Unit{};
}

Status<UnidicLoadError> append_entry(std::string& out,
                                     const UnidicReadingIndexPayloadEntry& entry) {
  LUMRA_TRY(append_text(out, entry.surface, format::kSurfaceField,
                        UnidicArtifactLimits::kSurfaceBytes));
  if (entry.readings.size() > UnidicArtifactLimits::kReadingCount) {
    return Fail(ArtifactLimitExceeded{std::string(format::kReadingCountField),
                                      entry.readings.size(), UnidicArtifactLimits::kReadingCount});
  }
  append_unsigned(out, static_cast<std::uint32_t>(entry.readings.size()));
  for (const std::string& reading : entry.readings) {
    LUMRA_TRY(append_text(out, reading, format::kReadingField,
                          UnidicArtifactLimits::kReadingBytes));
  }
  return Unit{};
}

}  // namespace

Result<std::string, UnidicLoadError> encode_binary_payload(
    const UnidicReadingIndexPayload& payload) {
  if (payload.schema_version != 1) {
    return Fail(UnsupportedSchemaVersion{payload.schema_version});
  }
  if (payload.payload_type != kUnidicPayloadType) {
    return Fail(UnsupportedPayloadType{payload.payload_type});
  }
  if (payload.entries.size() > UnidicArtifactLimits::kEntryCount) {
    return Fail(ArtifactLimitExceeded{std::string(format::kEntryCountField),
                                      payload.entries.size(), UnidicArtifactLimits::kEntryCount});
  }
  std::string out(format::kMagic.begin(), format::kMagic.end());
  append_unsigned(out, format::kVersion);
  append_unsigned(out, std::uint32_t{0});
  append_unsigned(out, static_cast<std::uint64_t>(payload.entries.size()));
  for (const UnidicReadingIndexPayloadEntry& entry : payload.entries) {
    LUMRA_TRY(append_entry(out, entry));
  }
  return out;
}

std::string message(const BinaryPayloadWriteFailed& error) {
  return fill_message("failed to write UniDic binary artifact payload: {}", error.error);
}

std::string message(const BinaryPayloadWriteError& error) {
  return std::visit([](const auto& e) { return message(e); }, error);
}

Status<BinaryPayloadWriteError> write_binary_payload(const UnidicReadingIndexPayload& payload,
                                                     std::string_view path) {
  Result<std::string, UnidicLoadError> bytes = encode_binary_payload(payload);
  if (!bytes.ok()) return Fail(BinaryPayloadWriteError(bytes.take_error()));
  Status<payload::FileOsError> written = payload::replace_file(path, bytes.value());
  if (!written.ok()) {
    return Fail(BinaryPayloadWriteFailed{payload::os_error_text(written.error().code)});
  }
  return Unit{};
}

}  // namespace lumra::ja
