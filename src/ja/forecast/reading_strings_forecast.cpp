#include "ja/forecast/reading_strings_forecast.h"

#include <cstddef>
#include <variant>
#include <vector>

#include "core/base/utf8.h"
#include "ja/japanese_distance_error.h"
#include "ja/reading/path_list_walker.h"
#include "ja/reading/path_lists.h"
#include "ja/reading/path_romaji.h"
#include "ja/reading/validate_reading_options.h"
#include "ja/romaji/expansion.h"
#include "ja/romaji/expansion_size.h"
#include "ja/text/next_char.h"
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
  const ReadingSegment whole{text, text, true};
  return PathLists(kReadingExpansionLimits).make(std::span(&whole, 1)) == PathListKind::kSpelled;
}

// Measures the paths of a segmentation as the string form expands them: the
// same checks per path (PathListWalker), the same paths passed over (those
// that cannot be spelled), and the bound on the bytes of all paths' strings
// taken over their strings with repeats, which is never below the distinct
// strings' bytes that the string form bounds.
TableOutcome measure_paths(const ReadingPathTable& table) {
  PathListWalker paths(table, kReadingExpansionLimits);
  bool spelled = false;
  std::uint64_t bytes = 0;
  while (paths.next()) {
    switch (paths.kind()) {
      case PathListKind::kTooLong:
      case PathListKind::kOverLimits: return TableOutcome::kMayFail;
      case PathListKind::kUnspellable: break;
      case PathListKind::kSpelled:
        bytes = saturating_add(bytes, paths.size().bytes);
        if (bytes > kMaxGatheredRomajiSymbols) return TableOutcome::kMayFail;
        spelled = true;
        break;
    }
  }
  return spelled ? TableOutcome::kSpelled : TableOutcome::kNothingSpelled;
}

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
  for (const bool fallback : {false, true}) {
    if (!table.build(index, text, options, fallback).ok()) return Forecast::kUnsure;
    switch (measure_paths(table)) {
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
