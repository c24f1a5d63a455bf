#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "payload/surface_table_builder.h"

namespace lumra::payload {
namespace {

using Entries = std::map<std::string, std::vector<std::string>>;

constexpr EntryLimits kLimits = {1000000, 16384, 256, 16384};

std::string random_text(std::mt19937& rng, int max_chars) {
  // Short texts over a small alphabet, some multi-byte, so that surfaces
  // collide, share prefixes and vary in length; NUL and 0xFF bytes test the
  // byte order at its ends.
  static const std::vector<std::string> kAlphabet = {"a", "b", "\xE6\x97\xA5", "\xC3\xBC", "\xFF",
                                                     std::string(1, '\0')};
  std::string text;
  int length = std::uniform_int_distribution<int>(1, max_chars)(rng);
  for (int i = 0; i < length; ++i) text += kAlphabet[rng() % kAlphabet.size()];
  return text;
}

std::vector<std::string_view> views(const std::vector<std::string>& texts) {
  return {texts.begin(), texts.end()};
}

// Differential: the table against std::map on random entries, filled with
// and without an up-front size (the second grows and rehashes).
TEST(SurfaceTableTest, AgreesWithAnOrderedMap) {
  for (bool reserve : {false, true}) {
    std::mt19937 rng(reserve ? 7 : 11);
    Entries expected;
    SurfaceTableBuilder builder(kLimits);
    if (reserve) builder.reserve(3000);
    while (expected.size() < 3000) {
      std::string surface = random_text(rng, 8);
      if (expected.count(surface)) continue;
      std::vector<std::string> readings;
      for (int r = rng() % 3; r >= 0; --r) readings.push_back(std::to_string(readings.size()) + random_text(rng, 40));
      builder.add(surface, views(readings));
      expected[surface] = readings;
    }
    auto table = std::move(builder).finish();
    ASSERT_TRUE(table.ok());
    ASSERT_EQ(table.value().size(), expected.size());

    std::vector<std::string_view> found;
    for (const auto& [surface, readings] : expected) {
      ASSERT_TRUE(table.value().find(surface, found));
      EXPECT_EQ(std::vector<std::string>(found.begin(), found.end()), readings);
    }
    for (int i = 0; i < 2000; ++i) {
      std::string probe = random_text(rng, 9);
      EXPECT_EQ(table.value().find(probe, found), expected.count(probe) == 1) << probe;
    }
    // Surfaces visited in ascending byte order: the map's order.
    auto next = expected.begin();
    table.value().for_each_in_surface_order(
        [&](std::string_view surface, const std::vector<std::string_view>& readings) {
          ASSERT_NE(next, expected.end());
          EXPECT_EQ(surface, next->first);
          EXPECT_EQ(readings.size(), next->second.size());
          ++next;
        });
    EXPECT_EQ(next, expected.end());
  }
}

// Entries inserted already in surface order, and in that order but for the
// last two or for two that tie on their first eight bytes, are visited in
// surface order.
TEST(SurfaceTableTest, SurfaceOrderOfNearlySortedInsertions) {
  std::mt19937 rng(5);
  Entries entries;
  while (entries.size() < 500) entries[random_text(rng, 12)] = {"r"};
  std::vector<std::string> sorted;
  for (const auto& [surface, readings] : entries) sorted.push_back(surface);
  const std::vector<std::string> tie = {"abcdefgh\xFF", "abcdefgh"};  // tie on eight bytes
  auto swapped_last = sorted;
  std::swap(swapped_last[swapped_last.size() - 2], swapped_last.back());
  for (const std::vector<std::string>& order : {sorted, swapped_last, tie}) {
    SurfaceTableBuilder builder(kLimits);
    const std::vector<std::string> readings = {"r"};
    for (const std::string& surface : order) builder.add(surface, views(readings));
    auto table = std::move(builder).finish();
    ASSERT_TRUE(table.ok());
    std::vector<std::string> visited;
    table.value().for_each_in_surface_order(
        [&](std::string_view surface, const std::vector<std::string_view>&) {
          visited.emplace_back(surface);
        });
    std::vector<std::string> expected = order;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(visited, expected);
  }
}

// A text size the address space cannot hold (a loader's file size that is
// mostly padding, under a memory limit) is only a hint: the table still
// fills as it would without it.
TEST(SurfaceTableBuilderTest, ARefusedTextSizeHintIsIgnored) {
#if defined(__SANITIZE_ADDRESS__)
  // The sanitizer's operator new ends the process instead of throwing.
  GTEST_SKIP() << "a refused allocation cannot be caught under AddressSanitizer";
#endif
  for (std::uint64_t hint : {std::uint64_t{1} << 60, ~std::uint64_t{0}}) {
    SurfaceTableBuilder builder(kLimits);
    builder.reserve(0, hint);
    const std::vector<std::string> readings = {"hi", "nichi"};
    builder.add("\xE6\x97\xA5", views(readings));
    auto table = std::move(builder).finish();
    ASSERT_TRUE(table.ok());
    std::vector<std::string_view> found;
    ASSERT_TRUE(table.value().find("\xE6\x97\xA5", found));
    EXPECT_EQ(found, views(readings));
  }
}

TEST(SurfaceTableBuilderTest, CountLimitWinsOverAnEarlierProblem) {
  SurfaceTableBuilder builder({2, 16, 4, 16});
  std::vector<std::string_view> readings = {"x"};
  builder.add("", readings);  // empty surface, but the count decides
  builder.add("a", readings);
  builder.add("b", readings);
  auto table = std::move(builder).finish();
  ASSERT_FALSE(table.ok());
  const auto& limit = std::get<entry_problems::LimitExceeded>(table.error());
  EXPECT_EQ(limit.field, "entry_count");
  EXPECT_EQ(limit.length, 3u);
}

// 256 readings with the duplicate last go through the hashed duplicate
// search; the pairwise one handles short lists.
TEST(SurfaceTableBuilderTest, FindsTheFirstDuplicateReadingInLongLists) {
  std::vector<std::string> texts;
  for (int i = 0; i < 255; ++i) texts.push_back("r" + std::to_string(i));
  texts.push_back("r17");
  SurfaceTableBuilder builder(kLimits);
  builder.add("s", views(texts));
  auto table = std::move(builder).finish();
  ASSERT_FALSE(table.ok());
  EXPECT_EQ(std::get<entry_problems::DuplicateReading>(table.error()).reading, "r17");
}


// A repeated surface is found only when the table is indexed, after all
// entries came; the problem reported must still be the first one in entry
// order, with each reading's normal form checked before its entry's later
// checks. "X" is the one reading out of normal form.
struct FirstProblemCase {
  std::vector<std::pair<std::string, std::vector<std::string>>> entries;
  std::size_t expected_variant;  // index in EntryProblem
  std::string expected_text;     // the surface or the reading named
};

class FirstProblemTest : public ::testing::TestWithParam<FirstProblemCase> {};

TEST_P(FirstProblemTest, ReportsTheFirstProblemInEntryOrder) {
  const FirstProblemCase& c = GetParam();
  SurfaceTableBuilder builder(kLimits);
  for (const auto& [surface, readings] : c.entries) builder.add(surface, views(readings));
  ReadingNormalizer normalizer = [](std::string_view reading) -> std::optional<std::string> {
    if (reading == "X") return std::string("x");
    return std::nullopt;
  };
  auto table = std::move(builder).finish(normalizer);
  ASSERT_FALSE(table.ok());
  ASSERT_EQ(table.error().index(), c.expected_variant);
  std::visit(
      [&](const auto& problem) {
        using P = std::decay_t<decltype(problem)>;
        if constexpr (std::is_same_v<P, entry_problems::DuplicateSurface> ||
                      std::is_same_v<P, entry_problems::EmptyReadings>) {
          EXPECT_EQ(problem.surface, c.expected_text);
        } else if constexpr (std::is_same_v<P, entry_problems::ReadingNotNormalized>) {
          EXPECT_EQ(problem.reading, c.expected_text);
        }
      },
      table.error());
}

constexpr std::size_t kEmptyReadings = 2;
constexpr std::size_t kNotNormalized = 4;
constexpr std::size_t kDuplicateSurface = 6;

INSTANTIATE_TEST_SUITE_P(
    Cases, FirstProblemTest,
    ::testing::Values(
        // The repeat comes before a later entry's own problem.
        FirstProblemCase{{{"a", {"r"}}, {"b", {"s"}}, {"a", {"t"}}, {"c", {}}}, kDuplicateSurface, "a"},
        // An entry's own problem before the repeat: the repeat is never kept.
        FirstProblemCase{{{"a", {"r"}}, {"c", {}}, {"a", {"t"}}}, kEmptyReadings, "c"},
        // Entries after the repeat are not checked for their normal form...
        FirstProblemCase{{{"a", {"r"}}, {"a", {"s"}}, {"b", {"X"}}}, kDuplicateSurface, "a"},
        // ...those before it are...
        FirstProblemCase{{{"a", {"r"}}, {"b", {"X"}}, {"a", {"s"}}}, kNotNormalized, "X"},
        // ...and so are the repeating entry's own readings.
        FirstProblemCase{{{"a", {"r"}}, {"a", {"s", "X"}}}, kNotNormalized, "X"},
        // The second of two repeats is reported second.
        FirstProblemCase{{{"a", {"r"}}, {"b", {"r"}}, {"b", {"r"}}, {"a", {"r"}}}, kDuplicateSurface, "b"}));

}  // namespace
}  // namespace lumra::payload
