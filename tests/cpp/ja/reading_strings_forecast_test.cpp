// The forecast of the string form against the written string form: never
// optimistic, and decisive for the texts that read or plainly do not.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <variant>
#include <vector>

#include "core/base/utf8.h"
#include "core/lattice/path_list.h"
#include "ja/forecast/reading_strings_forecast.h"
#include "ja/reading/reading_strings.h"
#include "ja_test_support.h"

namespace lumra::ja {
namespace {

using testing::MapReadingIndex;

std::string pick(std::mt19937& random, const std::vector<std::string>& pool, std::size_t count) {
  std::string out;
  for (std::size_t i = 0; i < count; ++i) out += pool[random() % pool.size()];
  return out;
}

TEST(ReadingStringsForecast, IsNeverOptimistic) {
  // Kana of many spellings, small tsu and kana, the long vowel mark, kana
  // without a row and readings that cannot be spelled; texts of them,
  // ASCII, punctuation and kanji without readings; long texts that pass the
  // expansion limits, and long readings that pass the reading characters.
  const std::vector<std::string> kana = {"し", "ち", "ん", "っ", "ー", "か", "ゃ",
                                         "つ", "じ", "を", "お", "ゐ", "ふ"};
  const std::vector<std::string> surfaces = {"日", "本", "語", "東", "日本", "本語"};
  const std::vector<std::string> chars = {"日", "本", "語", "東", "し", "っ", "ー", "ゃ",
                                          "A",  "x",  " ",  "、", "漢", "ゐ", "ち"};
  std::mt19937 random(17);
  std::map<std::string, int> seen;  // written outcome / forecast
  int bounded = 0;                   // readings forecast with a bound on their size
  int shortest_exact = 0;            // ... and the shortest one's length exactly
  for (int round = 0; round < 1500; ++round) {
    std::map<std::string, std::vector<std::string>> entries;
    for (const std::string& surface : surfaces) {
      if (random() % 4 == 0) continue;
      for (std::size_t r = 1 + random() % 4; r > 0; --r) {
        const std::size_t length = random() % 20 == 0 ? 300 : 1 + random() % 4;
        entries[surface].push_back(random() % 12 == 0 ? "漢" : pick(random, kana, length));
      }
    }
    const MapReadingIndex index(std::move(entries));
    ReadingOptions options;
    options.max_span_chars = 1 + random() % 8;
    options.max_paths = std::vector<std::uint64_t>{1, 3, 1024, 16384}[random() % 4];
    options.longest_only = random() % 3 == 0;
    const std::string text = random() % 8 == 0
                                 ? pick(random, {"し", "ち", "日", "本", "ー"}, 8 + random() % 12)
                                 : pick(random, chars, 1 + random() % 6);
    const auto written = reading_strings(index, text, options);
    const ReadingStringsExtent extent = forecast_reading_strings_extent(index, text, options);
    const ReadingStringsForecast forecast = extent.forecast;
    ASSERT_EQ(forecast_reading_strings(index, text, options), forecast);
    SCOPED_TRACE("round " + std::to_string(round) + " text '" + text + "'");
    const bool unread =
        !written.ok() &&
        std::holds_alternative<distance_errors::UnsupportedCharacter>(written.error());
    if (forecast == ReadingStringsForecast::kReadings) {
      ASSERT_TRUE(written.ok());
      std::vector<std::vector<Symbol>> strings;
      std::size_t shortest = ~std::size_t{0};
      for (std::string_view s : written.value()) {
        strings.push_back(decode_utf8(s));
        shortest = std::min(shortest, strings.back().size());
      }
      if (extent.min_symbols) {
        ASSERT_LE(*extent.min_symbols, shortest);
        if (*extent.min_symbols == shortest) ++shortest_exact;
      }
      // The bound holds for the strings' chain lattice, which can be built.
      if (extent.inner_symbols) {
        const auto nodes = path_list_lattice_node_count(strings);
        ASSERT_TRUE(nodes.ok());
        ASSERT_LE(nodes.value(), *extent.inner_symbols + 2);
        ++bounded;
      }
    }
    if (forecast == ReadingStringsForecast::kNoReadings) {
      ASSERT_TRUE(unread);
    }
    // Text with ASCII letters is left to the conversion.
    if (text.find_first_of("Ax") != std::string::npos) continue;
    const char* kind = written.ok() ? "read" : unread ? "unread" : "failed";
    seen[std::string(kind) + "/" + std::to_string(static_cast<int>(forecast))] += 1;
  }
  // Failures are never forecast away, and most texts without ASCII letters
  // that read or plainly do not are told apart.
  EXPECT_GT(seen["failed/0"], 50);
  EXPECT_GT(seen["read/2"], 10 * seen["read/0"]);
  EXPECT_GT(seen["unread/1"], 5 * seen["unread/0"]);
  EXPECT_GT(bounded, seen["read/2"] * 9 / 10);
  EXPECT_GT(shortest_exact, seen["read/2"] / 4);
}

}  // namespace
}  // namespace lumra::ja
