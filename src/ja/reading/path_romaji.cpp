#include "ja/reading/path_romaji.h"

#include "ja/romaji/split_units.h"
#include "ja/text/next_char.h"

namespace lumra::ja {

namespace {

Status<JapaneseDistanceError> skip_unspellable(Status<JapaneseDistanceError> status) {
  if (!status.ok() && is_romaji_path_failure(status.error())) return Unit{};
  return status;
}

}  // namespace

Status<JapaneseDistanceError> PathRomajiConverter::split(
    std::span<const ReadingSegment> segments) {
  units_.clear();
  for (const ReadingSegment& segment : segments) {
    LUMRA_TRY(append_romaji_units(segment.reading, segment.raw, units_));
  }
  return Unit{};
}

std::span<const ReadingSegment> PathRomajiConverter::table_path(const ReadingPathTable& table,
                                                                std::size_t path) {
  segments_.clear();
  table.for_each_segment(path,
                         [this](const ReadingSegment& segment) { segments_.push_back(segment); });
  return segments_;
}

Status<JapaneseDistanceError> PathRomajiConverter::strings(
    std::span<const ReadingSegment> segments, TextList& out) {
  std::uint64_t chars = 0;
  for (const ReadingSegment& segment : segments) chars += char_count(segment.reading);
  if (chars > kReadingExpansionLimits.max_input_chars) {
    return Fail(JapaneseDistanceError(distance_errors::ExpansionLimitExceeded{
        ExpansionLimitKind::InputCharacters, chars, kReadingExpansionLimits.max_input_chars}));
  }
  LUMRA_TRY(split(segments));
  return expander_.expand(units_, kReadingExpansionLimits.max_paths,
                          kReadingExpansionLimits.max_symbols, out);
}

Status<JapaneseDistanceError> PathRomajiConverter::add_strings(
    std::span<const ReadingSegment> segments, TextSet& set) {
  auto converted = strings(segments, strings_);
  if (!converted.ok()) return skip_unspellable(std::move(converted));
  set.insert_all(strings_);
  return Unit{};
}

Status<JapaneseDistanceError> PathRomajiConverter::add_strings(const ReadingPathTable& table,
                                                               TextSet& set) {
  for (std::size_t path = 0; path < table.path_count(); ++path) {
    LUMRA_TRY(add_strings(table_path(table, path), set));
    // Each path's expansion is bounded on its own, but a table holds up to
    // 16384 paths: without a bound on the whole, their strings together
    // could take tens of gigabytes.
    const std::uint64_t gathered = set.texts().total_bytes();
    if (gathered > kMaxGatheredRomajiSymbols) {
      return Fail(JapaneseDistanceError(distance_errors::ExpansionLimitExceeded{
          ExpansionLimitKind::ExpandedSymbols, gathered, kMaxGatheredRomajiSymbols}));
    }
  }
  return Unit{};
}

Status<JapaneseDistanceError> PathRomajiConverter::add_path(
    std::span<const ReadingSegment> segments, RomajiLatticeBuilder& builder) {
  auto split_status = split(segments);
  if (!split_status.ok()) return skip_unspellable(std::move(split_status));
  return skip_unspellable(builder.add_units(units_));
}

Status<JapaneseDistanceError> PathRomajiConverter::add_paths(const ReadingPathTable& table,
                                                             RomajiLatticeBuilder& builder) {
  for (std::size_t path = 0; path < table.path_count(); ++path) {
    LUMRA_TRY(add_path(table_path(table, path), builder));
  }
  return Unit{};
}

Status<JapaneseDistanceError> PathRomajiConverter::add_reading_text(std::string_view text,
                                                                    RomajiLatticeBuilder& builder) {
  const ReadingSegment whole{text, text, false};
  return add_path(std::span(&whole, 1), builder);
}

Result<TextList, JapaneseDistanceError> path_romaji_strings(const ReadingPath& path) {
  PathRomajiConverter converter;
  TextList out;
  LUMRA_TRY(converter.strings(path.segments, out));
  return out;
}

}  // namespace lumra::ja
