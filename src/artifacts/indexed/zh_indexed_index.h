// The indexed form of the Chinese reading index: the whole indexed payload
// (indexed_format.h, magic "LUMRAZ01", header word the pinyin view code, at
// most 2000000 entries) kept in memory, its readings decoded on each lookup.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "artifacts/indexed/indexed_format.h"
#include "artifacts/indexed/indexed_payload.h"
#include "artifacts/indexed/indexed_problem.h"
#include "artifacts/indexed/payload_bytes.h"
#include "core/base/result.h"
#include "payload/canonical_digest.h"
#include "zh/index/payload.h"
#include "zh/index/pinyin_view.h"
#include "zh/index/reading_index.h"
#include "zh/index/zh_load_error.h"

namespace lumra::artifacts {

inline constexpr IndexedFormat kZhIndexedFormat = {
    "LUMRAZ01",
    static_cast<std::uint32_t>(zh::PinyinView::kTone3),
    zh::ZhArtifactLimits::kPayloadBytes,
    {zh::ZhArtifactLimits::kEntryCount, zh::ZhArtifactLimits::kSurfaceBytes,
     zh::ZhArtifactLimits::kReadingCount, zh::ZhArtifactLimits::kReadingBytes}};

class IndexedZhReadingIndex final : public zh::ZhReadingIndex {
 public:
  IndexedZhReadingIndex(IndexedPayload payload, zh::PinyinView view)
      : ZhReadingIndex(view), payload_(std::move(payload)) {}

  // Finds the surface in the FST and decodes its record. Every record was
  // checked at load time, so this fails only if the payload is not what was
  // loaded. Allocates nothing once `readings` has the capacity.
  Result<bool, zh::ZhLoadError> lookup_readings(
      std::string_view surface, std::vector<std::string_view>& readings) const override;
  std::uint64_t entry_count() const override { return payload_.entry_count(); }
  // Walks the FST, whose key order is the canonical order.
  Status<zh::ZhLoadError> for_each_canonical_entry(const EntryVisitor& visit) const override;

  // The readings of the record that the FST value `value` points at
  // (IndexedPayload::decode_reading_record).
  Status<zh::ZhLoadError> read_readings_record(std::uint64_t value,
                                               std::vector<std::string_view>& readings) const;

 private:
  IndexedPayload payload_;
};

// read_payload_bytes() with the payload size limit, then
// parse_zh_indexed_payload(). A path that is not a regular file fails with Io
// "artifact payload path is not a regular file".
//
// Given `content_digest`, the entries' canonical text (the header with the
// file's view, then each entry as it passes its checks) is written into it
// during the load's own walk, so that the checksum costs no second walk; on
// failure what it holds means nothing.
Result<std::unique_ptr<IndexedZhReadingIndex>, zh::ZhLoadError> load_zh_indexed_payload(
    std::string_view path, payload::CanonicalDigest* content_digest = nullptr);

// UncheckedIndexedPayload::open() and check_entries() on `bytes`, with the Chinese
// errors: a header word other than a view code is
// UnsupportedIndexedPinyinView, and every reading must be in its normal form
// in the file's view (zh/index/normalize_pinyin.h).
Result<std::unique_ptr<IndexedZhReadingIndex>, zh::ZhLoadError> parse_zh_indexed_payload(
    std::vector<std::uint8_t> bytes, payload::CanonicalDigest* content_digest = nullptr);

zh::ZhLoadError to_zh_load_error(IndexedProblem problem);
zh::ZhLoadError to_zh_load_error(const PayloadBytesError& error, std::uint64_t max_bytes);

}  // namespace lumra::artifacts
