#include "ja/forecast/reading_strings_forecast.h"

#include <algorithm>
#include <cstddef>
#include <optional>
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

// The bound on the strings' lengths less one each, from their bytes and
// number with repeats: every string of a step with units is non-empty.
std::uint64_t inner_symbols_of(const ExpansionSize& size) { return size.bytes - size.strings; }

// The fewest symbols that a position's spellings write (a long vowel mark
// writes one); every string of the lists writes at least their sum.
std::uint64_t fewest_symbols(const std::optional<VariantList>& list) {
  if (!list) return 1;
  if (list->empty()) return 0;
  std::uint64_t fewest = ~std::uint64_t{0};
  for (const RomajiVariant& variant : *list) {
    fewest = std::min<std::uint64_t>(fewest, variant.chars());
  }
  return fewest;
}

// Whether the plain expansion of `text` succeeds, as expand_romaji_text
// decides it but without writing it, and if so the bounds on its strings.
std::optional<ReadingStringsExtent> plain_fits(std::string_view text) {
  const ReadingSegment whole{text, text, true};
  PathLists plain(kReadingExpansionLimits);
  if (plain.make(std::span(&whole, 1)) != PathListKind::kSpelled) return std::nullopt;
  std::uint64_t shortest = 0;
  for (const auto& list : plain.lists()) shortest += fewest_symbols(list);
  // No units: the one empty string.
  return ReadingStringsExtent{Forecast::kReadings,
                              plain.lists().empty() ? 0 : inner_symbols_of(plain.size()),
                              shortest};
}

// Measures the paths of a segmentation as the string form expands them: the
// same checks per path (PathListWalker), the same paths passed over (those
// that cannot be spelled), and the bound on the bytes of all paths' strings
// taken over their strings with repeats, which is never below the distinct
// strings' bytes that the string form bounds. Along the way it bounds the
// strings' lengths for extent().
class PathMeter {
 public:
  TableOutcome measure(const ReadingPathTable& table) {
    PathListWalker paths(table, kReadingExpansionLimits);
    bool spelled = false;
    std::uint64_t bytes = 0;
    inner_symbols_ = 0;
    inner_known_ = true;
    shortest_ = ~std::uint64_t{0};
    fewest_.clear();
    while (paths.next()) {
      switch (paths.kind()) {
        case PathListKind::kTooLong:
        case PathListKind::kOverLimits: return TableOutcome::kMayFail;
        case PathListKind::kUnspellable: break;
        case PathListKind::kSpelled: {
          bytes = saturating_add(bytes, paths.size().bytes);
          if (bytes > kMaxGatheredRomajiSymbols) return TableOutcome::kMayFail;
          const UnitVariantLists& lists = paths.lists();
          // A path without units spells the empty string, which may stand
          // beside the others' non-empty ones.
          if (lists.empty()) {
            inner_known_ = false;
          } else {
            inner_symbols_ = saturating_add(inner_symbols_, inner_symbols_of(paths.size()));
          }
          // The sums over the lists this path shares with the last spelled
          // one stand.
          fewest_.resize(std::min(fewest_.size(), paths.lists_as_last_spelled()));
          for (std::size_t i = fewest_.size(); i < lists.size(); ++i) {
            fewest_.push_back((i == 0 ? 0 : fewest_[i - 1]) + fewest_symbols(lists[i]));
          }
          shortest_ = std::min(shortest_, fewest_.empty() ? 0 : fewest_.back());
          spelled = true;
          break;
        }
      }
    }
    return spelled ? TableOutcome::kSpelled : TableOutcome::kNothingSpelled;
  }

  // After kSpelled: the bounds on the strings' lengths less one each, and
  // on the shortest.
  ReadingStringsExtent extent() const {
    return {Forecast::kReadings,
            inner_known_ ? std::optional<std::uint64_t>(inner_symbols_) : std::nullopt,
            shortest_};
  }

 private:
  std::uint64_t inner_symbols_ = 0;
  bool inner_known_ = true;
  // fewest_[i]: the fewest symbols the first i + 1 lists of the last
  // spelled path write.
  std::vector<std::uint64_t> fewest_;
  std::uint64_t shortest_ = 0;  // the fewest symbols of a spelled path
};

}  // namespace

ReadingStringsExtent forecast_reading_strings_extent(const UnidicReadingIndex& index,
                                                     std::string_view text,
                                                     const ReadingOptions& options) {
  const ReadingStringsExtent unsure;
  if (!validate_reading_options(options).ok()) return unsure;
  // Text with ASCII letters or digits is also looked up whole and by its
  // words: left to the conversion.
  if (has_ascii_alnum(text)) return unsure;
  if (const auto plain = plain_fits(text)) return *plain;
  ReadingPathTable table;
  PathMeter meter;
  for (const bool fallback : {false, true}) {
    if (!table.build(index, text, options, fallback).ok()) return unsure;
    switch (meter.measure(table)) {
      case TableOutcome::kMayFail: return unsure;
      case TableOutcome::kSpelled: return meter.extent();
      case TableOutcome::kNothingSpelled: break;
    }
  }
  // Nothing reads: the string form fails as the plain expansion does.
  const auto plain = expand_romaji_text(text, kReadingExpansionLimits);
  if (!plain.ok() && std::holds_alternative<distance_errors::UnsupportedCharacter>(plain.error())) {
    return {Forecast::kNoReadings, std::nullopt, std::nullopt};
  }
  return unsure;
}

ReadingStringsForecast forecast_reading_strings(const UnidicReadingIndex& index,
                                                std::string_view text,
                                                const ReadingOptions& options) {
  return forecast_reading_strings_extent(index, text, options).forecast;
}

}  // namespace lumra::ja
