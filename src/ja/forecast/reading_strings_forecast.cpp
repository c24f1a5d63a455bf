#include "ja/forecast/reading_strings_forecast.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <variant>
#include <vector>

#include "core/base/utf8.h"
#include "ja/japanese_distance_error.h"
#include "ja/reading/path_romaji.h"
#include "ja/reading/validate_reading_options.h"
#include "ja/romaji/expansion.h"
#include "ja/romaji/expansion_size.h"
#include "ja/romaji/split_units.h"
#include "ja/romaji/variant_lists.h"
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
  if (char_count(text) > kReadingExpansionLimits.max_input_chars) return std::nullopt;
  std::vector<RomajiUnit> units;
  UnitVariantLists lists;
  if (!append_romaji_units(text, true, units).ok()) return std::nullopt;
  if (!fill_unit_variant_lists(units, lists).ok()) return std::nullopt;
  const ExpansionSize size = expansion_size(lists, kReadingExpansionLimits.max_paths,
                                            kReadingExpansionLimits.max_symbols);
  if (!size.within_limits) return std::nullopt;
  std::uint64_t shortest = 0;
  for (const auto& list : lists) shortest += fewest_symbols(list);
  // No units: the one empty string.
  return ReadingStringsExtent{Forecast::kReadings, lists.empty() ? 0 : inner_symbols_of(size),
                              shortest};
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
    forget();
    bool spelled = false;
    std::uint64_t bytes = 0;
    inner_symbols_ = 0;
    inner_known_ = true;
    shortest_ = ~std::uint64_t{0};
    while (walker.next()) {
      const std::span<const ReadingSegment> segments = walker.segments();
      std::size_t k = std::min({walker.same_segments(), unit_ends_.size(), chars_.size()});
      resume(k);
      std::uint64_t chars = k == 0 ? 0 : chars_[k - 1];
      for (std::size_t s = k; s < segments.size(); ++s) {
        chars += char_count(segments[s].reading);
        chars_.push_back(chars);
      }
      if (chars > kReadingExpansionLimits.max_input_chars) return TableOutcome::kMayFail;
      bool split = true;
      for (std::size_t s = k; s < segments.size() && split; ++s) {
        auto appended = append_romaji_units(segments[s].reading, segments[s].raw, units_);
        if (!appended.ok()) {
          if (!is_romaji_path_failure(appended.error())) return TableOutcome::kMayFail;
          split = false;
        } else {
          unit_ends_.push_back(units_.size());
        }
      }
      if (!split) continue;  // cannot be spelled: passed over
      auto listed = extend_unit_variant_lists(units_, lists_, &list_ends_);
      if (!listed.ok()) {
        if (!is_romaji_path_failure(listed.error())) return TableOutcome::kMayFail;
        continue;
      }
      const ExpansionSize size = meter_.measure(lists_, measured_);
      measured_ = lists_.size();
      if (!size.within_limits) return TableOutcome::kMayFail;
      bytes = saturating_add(bytes, size.bytes);
      if (bytes > kMaxGatheredRomajiSymbols) return TableOutcome::kMayFail;
      // A path without units spells the empty string, which may stand
      // beside the others' non-empty ones.
      if (lists_.empty()) {
        inner_known_ = false;
      } else {
        inner_symbols_ = saturating_add(inner_symbols_, inner_symbols_of(size));
      }
      for (std::size_t i = fewest_.size(); i < lists_.size(); ++i) {
        fewest_.push_back((i == 0 ? 0 : fewest_[i - 1]) + fewest_symbols(lists_[i]));
      }
      shortest_ = std::min(shortest_, fewest_.empty() ? 0 : fewest_.back());
      spelled = true;
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
  // Keeps what the first `k` segments of the last path gave: their
  // character counts and units, and the lists that neither look past those
  // units nor at the unit after them (a small tsu looks ahead).
  void resume(std::size_t k) {
    chars_.resize(k);
    unit_ends_.resize(k);
    const std::size_t kept_units = k == 0 ? 0 : unit_ends_.back();
    units_.resize(kept_units);
    std::size_t kept_lists = 0;
    while (kept_lists < list_ends_.size() && list_ends_[kept_lists] < kept_units) ++kept_lists;
    lists_.resize(kept_lists);
    list_ends_.resize(kept_lists);
    fewest_.resize(std::min(fewest_.size(), kept_lists));
    measured_ = std::min(measured_, kept_lists);
  }
  void forget() {
    chars_.clear();
    unit_ends_.clear();
    units_.clear();
    lists_.clear();
    list_ends_.clear();
    fewest_.clear();
    measured_ = 0;
  }

  // Per segment of the last path, as far as it was taken: the reading
  // characters up to its end, and the units up to its end.
  std::vector<std::uint64_t> chars_;
  std::vector<std::size_t> unit_ends_;
  std::vector<RomajiUnit> units_;
  UnitVariantLists lists_;
  std::vector<std::size_t> list_ends_;  // the unit after each list
  ExpansionMeter meter_{kReadingExpansionLimits.max_paths, kReadingExpansionLimits.max_symbols};
  std::size_t measured_ = 0;  // the first lists of lists_ that the meter measured last
  std::uint64_t inner_symbols_ = 0;
  bool inner_known_ = true;
  // fewest_[i]: the fewest symbols the first i + 1 lists of lists_ write,
  // as far as they were summed.
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
