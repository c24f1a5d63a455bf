#include "zh/index/map_reading_index.h"

#include <string>
#include <vector>

#include "zh/index/normalize_pinyin.h"

namespace lumra::zh {

namespace {

using namespace zh_errors;
namespace problems = payload::entry_problems;

constexpr payload::EntryLimits kZhEntryLimits = {
    ZhArtifactLimits::kEntryCount, ZhArtifactLimits::kSurfaceBytes,
    ZhArtifactLimits::kReadingCount, ZhArtifactLimits::kReadingBytes};

ZhLoadError to_load_error(payload::EntryProblem problem) {
  struct Convert {
    ZhLoadError operator()(problems::LimitExceeded& p) {
      return ArtifactLimitExceeded{std::string(p.field), p.length, p.max};
    }
    ZhLoadError operator()(problems::EmptySurface& p) { return EmptySurface{p.entry_index}; }
    ZhLoadError operator()(problems::EmptyReadings& p) {
      return EmptyReadings{std::move(p.surface)};
    }
    ZhLoadError operator()(problems::EmptyReading& p) {
      return EmptyReading{std::move(p.surface), p.reading_index};
    }
    ZhLoadError operator()(problems::ReadingNotNormalized& p) {
      return ReadingNotNormalized{std::move(p.surface), std::move(p.reading),
                                  std::move(p.normalized)};
    }
    ZhLoadError operator()(problems::DuplicateReading& p) {
      return DuplicateReading{std::move(p.surface), std::move(p.reading)};
    }
    ZhLoadError operator()(problems::DuplicateSurface& p) {
      return DuplicateSurface{std::move(p.surface)};
    }
  };
  return std::visit(Convert{}, problem);
}

Result<PinyinView, ZhLoadError> check_header(std::uint32_t schema_version,
                                             std::string_view payload_type,
                                             std::string_view pinyin_view) {
  if (schema_version != 1) return Fail(UnsupportedSchemaVersion{schema_version});
  if (payload_type != kZhPayloadType) {
    return Fail(UnsupportedPayloadType{std::string(payload_type)});
  }
  std::optional<PinyinView> view = parse_pinyin_view(pinyin_view);
  if (!view) return Fail(UnsupportedPinyinView{std::string(pinyin_view)});
  return *view;
}

}  // namespace

Result<bool, ZhLoadError> MapZhReadingIndex::lookup_readings(
    std::string_view surface, std::vector<std::string_view>& readings) const {
  return table_.find(surface, readings);
}

Status<ZhLoadError> MapZhReadingIndex::for_each_canonical_entry(const EntryVisitor& visit) const {
  table_.for_each_in_surface_order(visit);
  return Unit{};
}

payload::SurfaceTableBuilder make_zh_table_builder() {
  return payload::SurfaceTableBuilder(kZhEntryLimits);
}

Result<std::unique_ptr<ZhReadingIndex>, ZhLoadError> finish_zh_index(
    std::uint32_t schema_version, std::string_view payload_type, std::string_view pinyin_view,
    payload::SurfaceTableBuilder&& entries) {
  LUMRA_TRY_ASSIGN(PinyinView view, check_header(schema_version, payload_type, pinyin_view));
  Result<payload::SurfaceTable, payload::EntryProblem> table = std::move(entries).finish(
      [view](std::string_view reading) { return pinyin_normal_form_if_different(reading, view); });
  if (!table.ok()) return Fail(to_load_error(table.take_error()));
  return std::unique_ptr<ZhReadingIndex>(
      std::make_unique<MapZhReadingIndex>(std::move(table).value(), view));
}

Result<std::unique_ptr<ZhReadingIndex>, ZhLoadError> build_zh_index(
    const ZhReadingIndexPayload& payload) {
  LUMRA_TRY(check_header(payload.schema_version, payload.payload_type, payload.pinyin_view));
  if (payload.entries.size() > ZhArtifactLimits::kEntryCount) {
    return Fail(ArtifactLimitExceeded{"entry_count", payload.entries.size(),
                                      ZhArtifactLimits::kEntryCount});
  }
  payload::SurfaceTableBuilder builder = make_zh_table_builder();
  builder.reserve(payload.entries.size());
  std::vector<std::string_view> readings;
  for (const ZhReadingIndexPayloadEntry& entry : payload.entries) {
    readings.assign(entry.readings.begin(), entry.readings.end());
    builder.add(entry.surface, readings);
    if (builder.failed()) break;
  }
  return finish_zh_index(payload.schema_version, payload.payload_type, payload.pinyin_view,
                         std::move(builder));
}

}  // namespace lumra::zh
