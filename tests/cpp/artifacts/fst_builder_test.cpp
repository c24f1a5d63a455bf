// The writer: key order, sharing of equal states, and round trips of random
// maps through our reader.
#include <gtest/gtest.h>

#include <random>

#include "fst_test_support.h"

namespace lumra::fst::testing {
namespace {

TEST(FstBuilderTest, RejectsRepeatedAndDescendingKeysAndCarriesOn) {
  FstMapBuilder builder;
  ASSERT_TRUE(builder.add("b", 1).ok());
  Status<FstBuildError> repeated = builder.add("b", 2);
  ASSERT_FALSE(repeated.ok());
  EXPECT_EQ(message(repeated.error()), "FST key 1 repeats the key before it");
  Status<FstBuildError> descending = builder.add("a", 3);
  ASSERT_FALSE(descending.ok());
  EXPECT_EQ(message(descending.error()), "FST key 1 sorts before the key before it");
  // A key that is a prefix of the previous one sorts before it.
  ASSERT_TRUE(builder.add("bc", 4).ok());
  EXPECT_FALSE(builder.add("b", 5).ok());
  ASSERT_TRUE(builder.add("c", 6).ok());
  const Bytes fst = std::move(builder).finish();
  Result<FstMap, FstError> map = FstMap::open(fst);
  ASSERT_TRUE(map.ok());
  EXPECT_EQ(walk(map.value()), as_list({{"b", 1}, {"bc", 4}, {"c", 6}}));
}

TEST(FstBuilderTest, OrdersBytesAsUnsigned) {
  FstMapBuilder builder;
  EXPECT_TRUE(builder.add("\x7f", 0).ok());
  EXPECT_TRUE(builder.add("\x80", 0).ok());
  EXPECT_TRUE(builder.add("\xff", 0).ok());
  EXPECT_FALSE(builder.add("\x80", 0).ok());
}

// Keys that differ only in their first byte and carry the same value share
// everything after it: the long tail is written once.
TEST(FstBuilderTest, WritesEqualSuffixesOnce) {
  std::mt19937_64 rng(5);
  std::string tail(2000, '\0');
  for (char& c : tail) c = static_cast<char>(rng());
  const Bytes one = build({{"a" + tail, 9}});
  const Bytes three = build({{"a" + tail, 9}, {"b" + tail, 9}, {"c" + tail, 9}});
  EXPECT_LT(three.size(), one.size() + 20);
  Result<FstMap, FstError> map = FstMap::open(three);
  ASSERT_TRUE(map.ok());
  EXPECT_EQ(map.value().get("b" + tail), 9u);
  EXPECT_EQ(map.value().get("c" + tail.substr(1)), std::nullopt);
}

// Random maps of every shape: bytes from a small alphabet (so keys share
// prefixes and suffixes) or from all 256 values, values of every size.
TEST(FstBuilderTest, RandomMapsRoundTrip) {
  std::mt19937_64 rng(2024);
  for (int round = 0; round < 150; ++round) {
    const bool small_alphabet = round % 2 == 0;
    const std::size_t count = rng() % (round < 100 ? 40 : 2000);
    Pairs pairs;
    while (pairs.size() < count) {
      std::string key(rng() % 12, '\0');
      for (char& c : key) {
        c = static_cast<char>(small_alphabet ? "\x00\x01\x61\x62\xfe\xff"[rng() % 6] : rng());
      }
      const std::uint64_t r = rng();
      pairs[key] = r % 4 == 0 ? 0 : r >> (r % 64);
    }
    const Bytes fst = build(pairs);
    Result<FstMap, FstError> map = FstMap::open(fst);
    ASSERT_TRUE(map.ok()) << describe(map.error());
    EXPECT_EQ(map.value().size(), pairs.size());
    ASSERT_EQ(walk(map.value()), as_list(pairs)) << "round " << round;
    for (const auto& [key, value] : pairs) {
      ASSERT_EQ(map.value().get(key), value);
      const std::string longer = key + static_cast<char>(rng());
      if (!pairs.contains(longer)) {
        ASSERT_EQ(map.value().get(longer), std::nullopt);
      }
    }
    // Every first byte, and no byte at all, against the root's cached steps.
    for (int b = -1; b < 256; ++b) {
      const std::string probe = b < 0 ? std::string() : std::string(1, static_cast<char>(b));
      const auto expected = pairs.find(probe);
      ASSERT_EQ(map.value().get(probe),
                expected == pairs.end() ? std::nullopt : std::optional(expected->second));
    }
  }
}

}  // namespace
}  // namespace lumra::fst::testing
