// Japanese texts to reading lattices and strings over a small random
// dictionary, and the lattice distances between them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/base/utf8.h"
#include "core/lattice/path_list.h"
#include "fuzz/reading_fuzz.h"
#include "ja/forecast/reading_strings_forecast.h"
#include "ja/japanese_distance_error.h"
#include "ja/reading/reading_lattice.h"
#include "ja/reading/reading_strings.h"
#include "ja/unidic/yaml_payload.h"

namespace {

using namespace lumra;

struct Japanese {
  static inline const std::vector<std::string> surfaces = {
      "日", "本", "東", "京", "行", "人", "大", "学", "あ", "か", "っ", "ー", "A", "１"};
  static inline const std::vector<std::string> kana = {
      "あ", "い", "う", "か", "き", "きゃ", "しゅ", "ちょ", "っ", "ん",
      "ー", "ゔ", "ぁ", "を", "ぢ", "ア", "ヴァ", "ッ", "x"};
  // Texts mix the surfaces, kana, ASCII, full-width forms and characters no
  // reading covers.
  static inline const std::vector<std::string> text_pieces = {
      "日", "本", "東", "京", "行", "人", "大", "学", "あ", "か",
      "っ", "ー", "ん", "ゃ", "ッ", "ア", "A", "z", "7", " ",
      "-", "１", "Ａ", "　", "漢", "é", "\xF0\x9F\x98\x80", "'"};

  static auto parse(FuzzedDataProvider& data) {
    return ja::parse_yaml_payload(fuzz::random_payload(
        data, "lumra.unidic.reading-index.surface-readings", "", surfaces, kana, ""));
  }
  static auto strings(const ja::UnidicReadingIndex& index, std::string_view text,
                      const ja::ReadingOptions& options) {
    return ja::unordered_reading_strings(index, text, options);
  }
  static std::string describe(const ja::JapaneseDistanceError& error) { return ja::message(error); }
  // The forecast that a partial alignment takes instead of converting a
  // span is never optimistic.
  // Nor are its bounds on the strings' chain lattice and shortest string.
  static void check_text(const ja::UnidicReadingIndex& index, std::string_view text,
                         const ja::ReadingOptions& options) {
    const ja::ReadingStringsExtent extent =
        ja::forecast_reading_strings_extent(index, text, options);
    const ja::ReadingStringsForecast forecast = extent.forecast;
    if (forecast == ja::ReadingStringsForecast::kUnsure) return;
    const auto strings = ja::unordered_reading_strings(index, text, options);
    const bool unread =
        !strings.ok() &&
        std::holds_alternative<ja::distance_errors::UnsupportedCharacter>(strings.error());
    if (forecast == ja::ReadingStringsForecast::kReadings ? !strings.ok() : !unread) {
      __builtin_trap();
    }
    if (!strings.ok()) return;
    std::vector<std::vector<Symbol>> decoded;
    for (std::string_view s : strings.value()) {
      decoded.push_back(decode_utf8(s));
      if (extent.min_symbols && decoded.back().size() < *extent.min_symbols) __builtin_trap();
    }
    if (!extent.inner_symbols) return;
    const auto nodes = path_list_lattice_node_count(decoded);
    if (!nodes.ok() || nodes.value() > *extent.inner_symbols + 2) __builtin_trap();
  }
  static auto lattice(const ja::UnidicReadingIndex& index, std::string_view text,
                      const ja::ReadingOptions& options) {
    return ja::searchable_reading_lattice(index, text, options);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  return lumra::fuzz::run_readings_target<Japanese>(bytes, size);
}
