// The map form of the Chinese reading index, and the validation that turns a
// payload into one.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "core/base/result.h"
#include "payload/surface_table.h"
#include "payload/surface_table_builder.h"
#include "zh/index/payload.h"
#include "zh/index/reading_index.h"
#include "zh/index/zh_load_error.h"

namespace lumra::zh {

// Surfaces and readings in one hash table (payload/surface_table.h): what a
// YAML payload loads into.
class MapZhReadingIndex final : public ZhReadingIndex {
 public:
  MapZhReadingIndex(payload::SurfaceTable table, PinyinView view)
      : ZhReadingIndex(view), table_(std::move(table)) {}

  Result<bool, ZhLoadError> lookup_readings(
      std::string_view surface, std::vector<std::string_view>& readings) const override;
  std::uint64_t entry_count() const override { return table_.size(); }
  Status<ZhLoadError> for_each_canonical_entry(const EntryVisitor& visit) const override;

 private:
  payload::SurfaceTable table_;
};

// Validates `payload` in the order of the checks below and builds its map
// form; nothing is kept on failure.
//   1. schema_version is not 1: UnsupportedSchemaVersion;
//   2. payload_type is not kZhPayloadType: UnsupportedPayloadType;
//   3. pinyin_view is not a view name: UnsupportedPinyinView;
//   4. more than 2000000 entries: ArtifactLimitExceeded "entry_count";
//   5. each entry in order (payload/surface_table_builder.h): the
//      "surface_bytes" and "reading_count" limits, EmptySurface,
//      EmptyReadings, then per reading the "reading_bytes" limit,
//      EmptyReading, ReadingNotNormalized (normalize_pinyin.h) and
//      DuplicateReading, and DuplicateSurface.
Result<std::unique_ptr<ZhReadingIndex>, ZhLoadError> build_zh_index(
    const ZhReadingIndexPayload& payload);

// For loaders that feed entries as they decode them: a builder with the
// Chinese limits, and the checks of build_zh_index once every entry has been
// fed (the header fields first, wherever they stood in the file).
payload::SurfaceTableBuilder make_zh_table_builder();
Result<std::unique_ptr<ZhReadingIndex>, ZhLoadError> finish_zh_index(
    std::uint32_t schema_version, std::string_view payload_type, std::string_view pinyin_view,
    payload::SurfaceTableBuilder&& entries);

}  // namespace lumra::zh
