// The Japanese span outlook in the partial alignments by readings: with it,
// spans are left unconverted, and the outcome (alignment, or error and
// which) is the one of converting and scoring every span. Random texts over
// small dictionaries whose long readings bring the lattice state limit
// within reach of short spans.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/alignment/reading_alignment.h"
#include "core/base/errors.h"
#include "core/base/utf8.h"
#include "core/lattice/path_list.h"
#include "ja/alignment/span_outlook.h"
#include "ja/japanese_distance_error.h"
#include "ja/reading/reading_strings.h"
#include "ja_test_support.h"

namespace lumra::ja {
namespace {

using testing::MapReadingIndex;

std::string pick(std::mt19937_64& random, const std::vector<std::string>& pool,
                 std::size_t count) {
  std::string out;
  for (std::size_t i = 0; i < count; ++i) out += pool[random() % pool.size()];
  return out;
}

// The string form of a span as the dictionaries convert it, counting calls.
struct Converter {
  Result<std::optional<TextList>, JapaneseDistanceError> operator()(std::string_view span) {
    ++calls;
    auto strings = unordered_reading_strings(*index, span, *options);
    if (strings.ok()) return std::optional<TextList>(std::move(strings).value());
    if (std::holds_alternative<distance_errors::UnsupportedCharacter>(strings.error())) {
      return std::optional<TextList>();
    }
    return Fail(strings.take_error());
  }
  const UnidicReadingIndex* index;
  const ReadingOptions* options;
  int calls = 0;
};

template <class Outcome>
std::string describe(const Outcome& outcome) {
  if (!outcome.ok()) {
    return std::visit([](const auto& error) { return "error " + message(error); },
                      outcome.error());
  }
  if (!outcome.value()) return "none";
  const auto& a = *outcome.value();
  return std::to_string(a.score) + " " + std::to_string(a.span_start) + ".." +
         std::to_string(a.span_end);
}

TEST(JapaneseSpanOutlook, AlignmentsAreThoseOfConvertingEverySpan) {
  // Kana of several spellings; the small tsu and ya and the long vowel
  // mark rare, as they make some readings fail.
  const std::vector<std::string> kana = {"い", "く", "こ", "う", "し", "か", "ん", "ち",
                                         "い", "く", "こ", "う", "つ", "っ", "ー", "ゃ"};
  const std::vector<std::string> plain = {"か", "こ", "く", "い", "う", "ん"};
  // Surfaces, kana, punctuation, and now and then a character without
  // readings (漢), one that fails (ゐ) and ASCII.
  std::vector<std::string> chars(12, "行");
  for (const char* c : {"日", "本", "日本", "長", "長", "し", "ー", "、", "漢", "x", "ゐ"}) {
    chars.push_back(c);
  }
  std::mt19937_64 random(0x5A11);
  int compared = 0, too_large = 0, other_errors = 0, spared = 0, bounded = 0;
  for (int round = 0; round < 80; ++round) {
    // 行 reads two ways, so a span of k of them has up to 2^k strings; 長
    // has readings of dozens of kana, making the query's lattice long.
    std::map<std::string, std::vector<std::string>> entries;
    entries["行"] = {pick(random, kana, 1 + random() % 3), pick(random, kana, 1 + random() % 3)};
    entries["日"] = {pick(random, kana, 1 + random() % 4)};
    entries["本"] = {pick(random, kana, 1 + random() % 4), "ほん"};
    entries["長"] = {pick(random, plain, 30 + random() % 60)};
    if (random() % 6 == 0) entries["長"].push_back(pick(random, kana, 400));  // past 1024 kana
    const MapReadingIndex index(std::move(entries));
    ReadingOptions options;
    options.max_span_chars = 1 + random() % 3;
    options.max_paths = std::vector<std::uint64_t>{1, 64, 1024, 16384}[random() % 4];
    options.longest_only = random() % 4 == 0;

    const std::string query = std::vector<std::string>{"行", "長", "日本", "行長", pick(
                                  random, chars, 1 + random() % 2)}[random() % 5];
    Converter convert_query{&index, &options};
    auto query_readings = convert_query(query);
    if (!query_readings.ok() || !query_readings.value()) continue;
    // A run of 行, the ambiguous surface, with a break now and then; or a
    // mixture of everything.
    std::string text;
    if (random() % 3 == 0) {
      for (std::size_t i = 6 + random() % 10; i > 0; --i) text += random() % 9 == 0 ? "日" : "行";
    } else {
      text = pick(random, chars, 4 + random() % 10);
    }
    SCOPED_TRACE("round " + std::to_string(round) + " query '" + query + "' text '" + text +
                 "' max_paths " + std::to_string(options.max_paths));
    // The outlook of every distinct span against its conversion.
    const std::vector<Symbol> symbols = decode_utf8(text);
    for (std::size_t start = 0; start < symbols.size(); ++start) {
      const std::size_t end = std::min(symbols.size(), start + 4);
      const std::string span = encode_utf8(std::span(symbols).subspan(start, end - start));
      const SpanOutlook outlook = reading_strings_outlook(index, span, options);
      if (outlook.kind == SpanOutlook::Kind::kUnknown) continue;
      Converter convert{&index, &options};
      auto converted = convert(span);
      ASSERT_TRUE(converted.ok()) << span;
      ASSERT_EQ(converted.value().has_value(), outlook.kind == SpanOutlook::Kind::kReadings);
      if (!outlook.chain_nodes || !outlook.min_symbols) continue;
      std::vector<std::vector<Symbol>> strings;
      for (std::string_view s : *converted.value()) {
        strings.push_back(decode_utf8(s));
        ASSERT_LE(*outlook.min_symbols, strings.back().size()) << span;
      }
      const auto nodes = path_list_lattice_node_count(strings);
      ASSERT_TRUE(nodes.ok()) << span;
      ASSERT_LE(nodes.value(), *outlook.chain_nodes) << span;
      ++bounded;
    }
    for (std::uint64_t window : {std::uint64_t{0}, std::uint64_t{3}, std::uint64_t{64}}) {
      const std::optional<std::uint64_t> cutoff =
          random() % 3 == 0 ? std::optional<std::uint64_t>(random() % 4) : std::nullopt;
      Converter every{&index, &options};
      const std::string expected = describe(partial_distance_alignment_by_readings(
          query, *query_readings.value(), text, window, cutoff, every));
      Converter some{&index, &options};
      auto outlook = [&](std::string_view span) {
        return reading_strings_outlook(index, span, options);
      };
      ASSERT_EQ(describe(partial_distance_alignment_by_readings(
                    query, *query_readings.value(), text, window, cutoff, some, outlook)),
                expected)
          << "window " << window;
      ASSERT_LE(some.calls, every.calls);
      spared += every.calls - some.calls;
      ++compared;
      if (expected.find("exceeds the maximum") != std::string::npos) {
        ++too_large;
      } else if (expected.starts_with("error")) {
        ++other_errors;
      }
    }
  }
  // The state limit and the conversion failures both come up, and the
  // outlook spares conversions.
  EXPECT_GT(compared, 120);
  EXPECT_GT(too_large, 20);
  EXPECT_GT(other_errors, 20);
  EXPECT_GT(spared, 300);
  EXPECT_GT(bounded, 300);
}

}  // namespace
}  // namespace lumra::ja
