#include "ja/forecast/reading_strings_forecast.h"

#include <algorithm>
#include <cstddef>
#include <variant>
#include <vector>

#include "core/base/utf8.h"
#include "ja/japanese_distance_error.h"
#include "ja/reading/path_romaji.h"
#include "ja/reading/validate_reading_options.h"
#include "ja/romaji/expansion.h"
#include "ja/romaji/expansion_size.h"
#include "ja/romaji/path_unit_lists.h"
#include "ja/text/next_char.h"
#include "ja/unidic/reading_path_walker.h"
#include "ja/unidic/segmentation.h"

namespace lumra::ja {

namespace {

using Forecast = ReadingStringsForecast;

// What the paths of one segmentation come to.
enum class TableOutcome : std::uint8_t { kNothingSpelled, kSpelled, kMayFail };

std::uint64_t saturating_add(std::uint64_t a, std::uint64_t b) {
  std::uint64_t sum;
  return __builtin_add_overflow(a, b, &sum) ? ~std::uint64_t{0} : sum;
}

// Whether the plain expansion of `text` succeeds, as expand_romaji_text
// decides it but without writing it.
bool plain_fits(std::string_view text) {
  if (char_count(text) > kReadingExpansionLimits.max_input_chars) return false;
  PathUnitLists plain(kReadingExpansionLimits.max_paths, kReadingExpansionLimits.max_symbols);
  return plain.append_segment(text, true).ok() && plain.extend_lists().ok() &&
         plain.measure().within_limits;
}

// Measures the paths of segmentations as the string form expands them: the
// same checks per path (its reading characters, then its units and their
// spellings, then the expansion limits), the same paths passed over (those
// that cannot be spelled), and the bound on the bytes of all paths' strings
// taken over their strings with repeats, which is never below the distinct
// strings' bytes that the string form bounds. Each path redoes only what
// follows the segments it shares with the path before.
class PathMeter {
 public:
  TableOutcome measure(const ReadingPathTable& table) {
    ReadingPathWalker walker(table);
    chars_.clear();
    path_.forget();
    bool spelled = false;
    std::uint64_t bytes = 0;
    while (walker.next()) {
      const std::span<const ReadingSegment> segments = walker.segments();
      const std::size_t k = std::min({walker.same_segments(), path_.segment_count(), chars_.size()});
      chars_.resize(k);
      path_.keep_segments(k);
      std::uint64_t chars = k == 0 ? 0 : chars_[k - 1];
      for (std::size_t s = k; s < segments.size(); ++s) {
        chars += char_count(segments[s].reading);
        chars_.push_back(chars);
      }
      if (chars > kReadingExpansionLimits.max_input_chars) return TableOutcome::kMayFail;
      bool split = true;
      for (std::size_t s = k; s < segments.size() && split; ++s) {
        auto appended = path_.append_segment(segments[s].reading, segments[s].raw);
        if (!appended.ok()) {
          if (!is_romaji_path_failure(appended.error())) return TableOutcome::kMayFail;
          split = false;
        }
      }
      if (!split) continue;  // cannot be spelled: passed over
      auto listed = path_.extend_lists();
      if (!listed.ok()) {
        if (!is_romaji_path_failure(listed.error())) return TableOutcome::kMayFail;
        continue;
      }
      const ExpansionSize size = path_.measure();
      if (!size.within_limits) return TableOutcome::kMayFail;
      bytes = saturating_add(bytes, size.bytes);
      if (bytes > kMaxGatheredRomajiSymbols) return TableOutcome::kMayFail;
      spelled = true;
    }
    return spelled ? TableOutcome::kSpelled : TableOutcome::kNothingSpelled;
  }

 private:
  // Per segment of the last path, as far as it was taken: the reading
  // characters up to its end.
  std::vector<std::uint64_t> chars_;
  // Its units and lists, as far as they were made.
  PathUnitLists path_{kReadingExpansionLimits.max_paths, kReadingExpansionLimits.max_symbols};
};

}  // namespace

ReadingStringsForecast forecast_reading_strings(const UnidicReadingIndex& index,
                                                std::string_view text,
                                                const ReadingOptions& options) {
  if (!validate_reading_options(options).ok()) return Forecast::kUnsure;
  // Text with ASCII letters or digits is also looked up whole and by its
  // words: left to the conversion.
  if (has_ascii_alnum(text)) return Forecast::kUnsure;
  if (plain_fits(text)) return Forecast::kReadings;
  ReadingPathTable table;
  PathMeter meter;
  for (const bool fallback : {false, true}) {
    if (!table.build(index, text, options, fallback).ok()) return Forecast::kUnsure;
    switch (meter.measure(table)) {
      case TableOutcome::kMayFail: return Forecast::kUnsure;
      case TableOutcome::kSpelled: return Forecast::kReadings;
      case TableOutcome::kNothingSpelled: break;
    }
  }
  // Nothing reads: the string form fails as the plain expansion does.
  const auto plain = expand_romaji_text(text, kReadingExpansionLimits);
  if (!plain.ok() && std::holds_alternative<distance_errors::UnsupportedCharacter>(plain.error())) {
    return Forecast::kNoReadings;
  }
  return Forecast::kUnsure;
}

}  // namespace lumra::ja
