#include "artifacts/indexed/unidic_indexed_writer.h"

#include <optional>

#include "artifacts/indexed/indexed_payload_encoder.h"
#include "artifacts/indexed/unidic_indexed_index.h"
#include "artifacts/indexed/write_payload_file.h"
#include "core/base/message_template.h"
#include "ja/unidic/map_reading_index.h"

namespace lumra::artifacts {

namespace {

UnidicIndexedWriteError to_write_error(EncodeProblem problem) {
  if (auto* limit = std::get_if<indexed_problems::LimitExceeded>(&problem)) {
    return to_unidic_load_error(IndexedProblem(*limit));
  }
  return UnidicIndexedWriteFailed{fst::message(std::get<fst::FstBuildError>(problem))};
}

}  // namespace

std::string message(const UnidicIndexedWriteFailed& error) {
  return fill_message("failed to write UniDic indexed artifact payload: {}", error.error);
}

std::string message(const UnidicIndexedWriteError& error) {
  if (const auto* failed = std::get_if<UnidicIndexedWriteFailed>(&error)) return message(*failed);
  return ja::message(std::get<ja::UnidicLoadError>(error));
}

Result<std::vector<std::uint8_t>, UnidicIndexedWriteError> encode_indexed_payload(
    const ja::UnidicReadingIndex& index) {
  IndexedPayloadEncoder encoder(kUnidicIndexedFormat, 0);
  std::optional<EncodeProblem> problem;
  Status<ja::UnidicLoadError> walked = index.for_each_canonical_entry(
      [&](std::string_view surface, const std::vector<std::string_view>& readings) {
        if (problem) return;
        Status<EncodeProblem> added = encoder.add(surface, readings);
        if (!added.ok()) problem = added.take_error();
      });
  if (!walked.ok()) return Fail(UnidicIndexedWriteError(walked.take_error()));
  if (problem) return Fail(to_write_error(std::move(*problem)));
  Result<std::vector<std::uint8_t>, EncodeProblem> bytes = std::move(encoder).finish();
  if (!bytes.ok()) return Fail(to_write_error(bytes.take_error()));
  return std::move(bytes).value();
}

Result<std::vector<std::uint8_t>, UnidicIndexedWriteError> encode_indexed_payload(
    const ja::UnidicReadingIndexPayload& payload) {
  auto index = ja::build_reading_index(payload);
  if (!index.ok()) return Fail(UnidicIndexedWriteError(index.take_error()));
  return encode_indexed_payload(*index.value());
}

Status<UnidicIndexedWriteError> write_indexed_payload(const ja::UnidicReadingIndex& index,
                                                      std::string_view path) {
  LUMRA_TRY_ASSIGN(const std::vector<std::uint8_t> bytes, encode_indexed_payload(index));
  Status<payload::FileOsError> written = write_payload_file(path, bytes);
  if (!written.ok()) {
    return Fail(UnidicIndexedWriteFailed{payload::os_error_text(written.error().code)});
  }
  return Unit{};
}

Status<UnidicIndexedWriteError> write_indexed_payload(
    const ja::UnidicReadingIndexPayload& payload, std::string_view path) {
  auto index = ja::build_reading_index(payload);
  if (!index.ok()) return Fail(UnidicIndexedWriteError(index.take_error()));
  return write_indexed_payload(*index.value(), path);
}

}  // namespace lumra::artifacts
