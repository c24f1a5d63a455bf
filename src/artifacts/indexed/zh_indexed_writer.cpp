#include "artifacts/indexed/zh_indexed_writer.h"

#include <optional>

#include "artifacts/indexed/indexed_payload_encoder.h"
#include "artifacts/indexed/write_payload_file.h"
#include "artifacts/indexed/zh_indexed_index.h"
#include "core/base/message_template.h"
#include "zh/index/map_reading_index.h"

namespace lumra::artifacts {

namespace {

ZhIndexedWriteError to_write_error(EncodeProblem problem) {
  if (auto* limit = std::get_if<indexed_problems::LimitExceeded>(&problem)) {
    return to_zh_load_error(IndexedProblem(*limit));
  }
  return ZhIndexedWriteFailed{fst::message(std::get<fst::FstBuildError>(problem))};
}

}  // namespace

std::string message(const ZhIndexedWriteFailed& error) {
  return fill_message("failed to write zh indexed artifact payload: {}", error.error);
}

std::string message(const ZhIndexedWriteError& error) {
  if (const auto* failed = std::get_if<ZhIndexedWriteFailed>(&error)) return message(*failed);
  return zh::message(std::get<zh::ZhLoadError>(error));
}

Result<std::vector<std::uint8_t>, ZhIndexedWriteError> encode_zh_indexed_payload(
    const zh::ZhReadingIndex& index) {
  IndexedPayloadEncoder encoder(kZhIndexedFormat, static_cast<std::uint32_t>(index.view()));
  std::optional<EncodeProblem> problem;
  Status<zh::ZhLoadError> walked = index.for_each_canonical_entry(
      [&](std::string_view surface, const std::vector<std::string_view>& readings) {
        if (problem) return;
        Status<EncodeProblem> added = encoder.add(surface, readings);
        if (!added.ok()) problem = added.take_error();
      });
  if (!walked.ok()) return Fail(ZhIndexedWriteError(walked.take_error()));
  if (problem) return Fail(to_write_error(std::move(*problem)));
  Result<std::vector<std::uint8_t>, EncodeProblem> bytes = std::move(encoder).finish();
  if (!bytes.ok()) return Fail(to_write_error(bytes.take_error()));
  return std::move(bytes).value();
}

Result<std::vector<std::uint8_t>, ZhIndexedWriteError> encode_zh_indexed_payload(
    const zh::ZhReadingIndexPayload& payload) {
  auto index = zh::build_zh_index(payload);
  if (!index.ok()) return Fail(ZhIndexedWriteError(index.take_error()));
  return encode_zh_indexed_payload(*index.value());
}

Status<ZhIndexedWriteError> write_zh_indexed_payload(const zh::ZhReadingIndex& index,
                                                     std::string_view path) {
  LUMRA_TRY_ASSIGN(const std::vector<std::uint8_t> bytes, encode_zh_indexed_payload(index));
  Status<payload::FileOsError> written = write_payload_file(path, bytes);
  if (!written.ok()) {
    return Fail(ZhIndexedWriteFailed{payload::os_error_text(written.error().code)});
  }
  return Unit{};
}

Status<ZhIndexedWriteError> write_zh_indexed_payload(const zh::ZhReadingIndexPayload& payload,
                                                     std::string_view path) {
  auto index = zh::build_zh_index(payload);
  if (!index.ok()) return Fail(ZhIndexedWriteError(index.take_error()));
  return write_zh_indexed_payload(*index.value(), path);
}

}  // namespace lumra::artifacts
