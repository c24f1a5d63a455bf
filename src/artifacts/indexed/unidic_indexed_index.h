// The indexed form of the UniDic reading index: the whole indexed payload
// (indexed_format.h, magic "LUMRAI01", header word reserved as 0, at most
// 3000000 entries) kept in memory, its readings decoded on each lookup.
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
#include "ja/unidic/payload.h"
#include "ja/unidic/reading_index.h"
#include "ja/unidic/unidic_load_error.h"
#include "payload/canonical_digest.h"

namespace lumra::artifacts {

inline constexpr IndexedFormat kUnidicIndexedFormat = {
    "LUMRAI01",
    0,
    ja::UnidicArtifactLimits::kPayloadBytes,
    {ja::UnidicArtifactLimits::kEntryCount, ja::UnidicArtifactLimits::kSurfaceBytes,
     ja::UnidicArtifactLimits::kReadingCount, ja::UnidicArtifactLimits::kReadingBytes}};

class IndexedUnidicReadingIndex final : public ja::UnidicReadingIndex {
 public:
  explicit IndexedUnidicReadingIndex(IndexedPayload payload) : payload_(std::move(payload)) {}

  // Finds the surface in the FST and decodes its record. Every record was
  // checked at load time, so this fails only if the payload is not what was
  // loaded. Allocates nothing once `readings` has the capacity.
  Result<bool, ja::UnidicLoadError> lookup(
      std::string_view surface, std::vector<std::string_view>& readings) const override;
  // The same a piece of the surface at a time (fst::FstMap::PrefixWalk).
  SurfaceWalk start_surface_walk() const override;
  void extend_surface_walk(SurfaceWalk& walk, std::string_view bytes) const override;
  Result<bool, ja::UnidicLoadError> lookup_walked(
      const SurfaceWalk& walk, std::string_view surface,
      std::vector<std::string_view>& readings) const override;
  std::uint64_t entry_count() const override { return payload_.entry_count(); }
  // Walks the FST, whose key order is the canonical order.
  Status<ja::UnidicLoadError> for_each_canonical_entry(const EntryVisitor& visit) const override;

  // The readings of the record at `offset` from the start of the readings
  // section (IndexedPayload::decode_reading_record).
  Status<ja::UnidicLoadError> decode_reading_record(std::uint64_t offset,
                                                    std::vector<std::string_view>& readings) const;

 private:
  IndexedPayload payload_;
};

// read_payload_bytes() with the payload size limit, then
// parse_indexed_payload(). A path that is not a regular file fails with Io
// "artifact payload path is not a regular file".
//
// Given `content_digest`, the entries' canonical text (the header, then each
// entry as it passes its checks) is written into it during the load's own
// walk, so that the checksum costs no second walk; on failure what it holds
// means nothing.
Result<std::unique_ptr<IndexedUnidicReadingIndex>, ja::UnidicLoadError> load_indexed_payload(
    std::string_view path, payload::CanonicalDigest* content_digest = nullptr);

// UncheckedIndexedPayload::open() and check_entries() on `bytes`, with the UniDic
// errors: a header word other than 0 is NonZeroIndexedReserved.
Result<std::unique_ptr<IndexedUnidicReadingIndex>, ja::UnidicLoadError> parse_indexed_payload(
    std::vector<std::uint8_t> bytes, payload::CanonicalDigest* content_digest = nullptr);

ja::UnidicLoadError to_unidic_load_error(IndexedProblem problem);
ja::UnidicLoadError to_unidic_load_error(const PayloadBytesError& error, std::uint64_t max_bytes);

}  // namespace lumra::artifacts
