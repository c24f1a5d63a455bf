#include "ja/unidic/map_reading_index.h"

#include <cassert>
#include <string>
#include <vector>

namespace lumra::ja {

namespace {

using namespace unidic_errors;
namespace problems = payload::entry_problems;

constexpr payload::EntryLimits kUnidicEntryLimits = {
    UnidicArtifactLimits::kEntryCount, UnidicArtifactLimits::kSurfaceBytes,
    UnidicArtifactLimits::kReadingCount, UnidicArtifactLimits::kReadingBytes};

UnidicLoadError to_load_error(payload::EntryProblem problem) {
  struct Convert {
    UnidicLoadError operator()(problems::LimitExceeded& p) {
      return ArtifactLimitExceeded{std::string(p.field), p.length, p.max};
    }
    UnidicLoadError operator()(problems::EmptySurface& p) { return EmptySurface{p.entry_index}; }
    UnidicLoadError operator()(problems::EmptyReadings& p) {
      return EmptyReadings{std::move(p.surface)};
    }
    UnidicLoadError operator()(problems::EmptyReading& p) {
      return EmptyReading{std::move(p.surface), p.reading_index};
    }
    // Japanese readings are stored as written: the builder has no
    // normaliser, so it never reports this.
    UnidicLoadError operator()(problems::ReadingNotNormalized& p) {
      assert(false);
      return EmptyReadings{std::move(p.surface)};
    }
    UnidicLoadError operator()(problems::DuplicateReading& p) {
      return DuplicateReading{std::move(p.surface), std::move(p.reading)};
    }
    UnidicLoadError operator()(problems::DuplicateSurface& p) {
      return DuplicateSurface{std::move(p.surface)};
    }
  };
  return std::visit(Convert{}, problem);
}

Status<UnidicLoadError> check_header(std::uint32_t schema_version, std::string_view payload_type) {
  if (schema_version != 1) return Fail(UnsupportedSchemaVersion{schema_version});
  if (payload_type != kUnidicPayloadType) {
    return Fail(UnsupportedPayloadType{std::string(payload_type)});
  }
  return Unit{};
}

}  // namespace

Result<bool, UnidicLoadError> MapReadingIndex::lookup(
    std::string_view surface, std::vector<std::string_view>& readings) const {
  return table_.find(surface, readings);
}

Status<UnidicLoadError> MapReadingIndex::for_each_canonical_entry(
    const EntryVisitor& visit) const {
  table_.for_each_in_surface_order(visit);
  return Unit{};
}

payload::SurfaceTableBuilder make_unidic_table_builder() {
  return payload::SurfaceTableBuilder(kUnidicEntryLimits);
}

Result<std::unique_ptr<MapReadingIndex>, UnidicLoadError> finish_map_reading_index(
    std::uint32_t schema_version, std::string_view payload_type,
    payload::SurfaceTableBuilder&& entries) {
  LUMRA_TRY(check_header(schema_version, payload_type));
  Result<payload::SurfaceTable, payload::EntryProblem> table = std::move(entries).finish();
  if (!table.ok()) return Fail(to_load_error(table.take_error()));
  return std::make_unique<MapReadingIndex>(std::move(table).value());
}

Result<std::unique_ptr<UnidicReadingIndex>, UnidicLoadError> finish_reading_index(
    std::uint32_t schema_version, std::string_view payload_type,
    payload::SurfaceTableBuilder&& entries) {
  LUMRA_TRY_ASSIGN(std::unique_ptr<MapReadingIndex> index,
                   finish_map_reading_index(schema_version, payload_type, std::move(entries)));
  return std::unique_ptr<UnidicReadingIndex>(std::move(index));
}

Result<std::unique_ptr<UnidicReadingIndex>, UnidicLoadError> build_reading_index(
    const UnidicReadingIndexPayload& payload) {
  LUMRA_TRY(check_header(payload.schema_version, payload.payload_type));
  if (payload.entries.size() > UnidicArtifactLimits::kEntryCount) {
    return Fail(ArtifactLimitExceeded{"entry_count", payload.entries.size(),
                                      UnidicArtifactLimits::kEntryCount});
  }
  payload::SurfaceTableBuilder builder = make_unidic_table_builder();
  builder.reserve(payload.entries.size());
  std::vector<std::string_view> readings;
  for (const UnidicReadingIndexPayloadEntry& entry : payload.entries) {
    readings.assign(entry.readings.begin(), entry.readings.end());
    builder.add(entry.surface, readings);
    if (builder.failed()) break;
  }
  return finish_reading_index(payload.schema_version, payload.payload_type, std::move(builder));
}

}  // namespace lumra::ja
