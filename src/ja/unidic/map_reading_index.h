// The map form of the UniDic reading index, and the validation that turns a
// payload into one.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "core/base/result.h"
#include "ja/unidic/payload.h"
#include "ja/unidic/reading_index.h"
#include "ja/unidic/unidic_load_error.h"
#include "payload/surface_table.h"
#include "payload/surface_table_builder.h"

namespace lumra::ja {

// Surfaces and readings in one hash table (payload/surface_table.h): what a
// YAML or binary payload loads into.
class MapReadingIndex final : public UnidicReadingIndex {
 public:
  explicit MapReadingIndex(payload::SurfaceTable table) : table_(std::move(table)) {}

  Result<bool, UnidicLoadError> lookup(std::string_view surface,
                                       std::vector<std::string_view>& readings) const override;
  std::uint64_t entry_count() const override { return table_.size(); }
  Status<UnidicLoadError> for_each_canonical_entry(const EntryVisitor& visit) const override;
  const payload::SurfaceTable& table() const { return table_; }

 private:
  payload::SurfaceTable table_;
};

// Validates `payload` in the order of the checks below and builds its map
// form; nothing is kept on failure.
//   1. schema_version is not 1: UnsupportedSchemaVersion;
//   2. payload_type is not kUnidicPayloadType: UnsupportedPayloadType;
//   3. more than 3000000 entries: ArtifactLimitExceeded "entry_count";
//   4. each entry in order (payload/surface_table_builder.h): the
//      "surface_bytes" and "reading_count" limits, EmptySurface,
//      EmptyReadings, then per reading the "reading_bytes" limit,
//      EmptyReading and DuplicateReading, and DuplicateSurface.
Result<std::unique_ptr<UnidicReadingIndex>, UnidicLoadError> build_reading_index(
    const UnidicReadingIndexPayload& payload);

// For loaders that feed entries as they decode them: a builder with the
// Japanese limits, and the checks of build_reading_index once every entry
// has been fed (the header fields first, wherever they stood in the file).
payload::SurfaceTableBuilder make_unidic_table_builder();
Result<std::unique_ptr<UnidicReadingIndex>, UnidicLoadError> finish_reading_index(
    std::uint32_t schema_version, std::string_view payload_type,
    payload::SurfaceTableBuilder&& entries);
// finish_reading_index(), for a loader that goes on to use the map form.
Result<std::unique_ptr<MapReadingIndex>, UnidicLoadError> finish_map_reading_index(
    std::uint32_t schema_version, std::string_view payload_type,
    payload::SurfaceTableBuilder&& entries);

}  // namespace lumra::ja
