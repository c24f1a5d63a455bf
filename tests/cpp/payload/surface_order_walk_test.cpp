// The surface-order walk of a surface table against std::sort of the same
// surfaces: tables of every size the sort treats differently, entries added
// in random, sorted and reversed order, keys gathered by the walk or noted
// by the builder.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "payload/surface_order_walk.h"
#include "payload/surface_table_builder.h"

namespace lumra::payload {
namespace {

constexpr EntryLimits kLimits = {1000000, 16384, 256, 16384};

// Characters of one to four bytes, NUL and a lone 0xFF for the ends of the
// byte order, and a long shared start, so that surfaces tie on their first
// eight bytes, are prefixes of one another and differ only past byte eight.
std::string random_surface(std::mt19937& rng) {
  static const std::vector<std::string> kPieces = {
      "a", "b", std::string(1, '\0'), "\xFF", "\xC3\xBC", "\xE6\x97\xA5", "\xE3\x81\x82",
      "\xF0\x9F\x98\x80", "abcdefgh"};
  std::string surface;
  for (int n = 1 + static_cast<int>(rng() % 6); n > 0; --n) surface += kPieces[rng() % kPieces.size()];
  return surface;
}

enum class Order { kRandom, kSorted, kReversed };
enum class Keys { kGathered, kNoted };

using WalkCase = std::tuple<std::size_t, Order, Keys>;

class SurfaceOrderWalkTest : public ::testing::TestWithParam<WalkCase> {};

TEST_P(SurfaceOrderWalkTest, VisitsSurfacesInByteOrderWithTheirReadings) {
  const auto [count, order, keys_from] = GetParam();
  std::mt19937 rng(static_cast<unsigned>(count * 7 + static_cast<int>(order)));
  std::map<std::string, std::vector<std::string>> expected;
  while (expected.size() < count) {
    expected[random_surface(rng)] = {std::to_string(rng() % 1000), "r" + std::to_string(expected.size())};
  }
  std::vector<std::string> added;
  for (const auto& entry : expected) added.push_back(entry.first);
  if (order == Order::kRandom) std::shuffle(added.begin(), added.end(), rng);
  if (order == Order::kReversed) std::reverse(added.begin(), added.end());

  SurfaceTableBuilder builder(kLimits);
  std::vector<SurfaceOrderKey> noted;
  if (keys_from == Keys::kNoted) builder.note_surface_order_keys(&noted);
  builder.reserve(count);
  for (const std::string& surface : added) {
    const std::vector<std::string>& readings = expected[surface];
    builder.add(surface, std::vector<std::string_view>(readings.begin(), readings.end()));
  }
  auto table = std::move(builder).finish();
  ASSERT_TRUE(table.ok());

  auto next = expected.begin();
  const SurfaceVisitor check = [&](std::string_view surface,
                                   const std::vector<std::string_view>& readings) {
    ASSERT_NE(next, expected.end());
    EXPECT_EQ(surface, next->first);
    EXPECT_EQ(std::vector<std::string>(readings.begin(), readings.end()), next->second);
    ++next;
  };
  if (keys_from == Keys::kNoted) {
    ASSERT_EQ(noted.size(), count);
    table.value().for_each_in_surface_order(check, std::move(noted));
  } else {
    table.value().for_each_in_surface_order(check);
  }
  EXPECT_EQ(next, expected.end());
}

// 0 and 1 entries; around the size sorted by insertion alone; large enough
// for several partition levels.
INSTANTIATE_TEST_SUITE_P(
    Sizes, SurfaceOrderWalkTest,
    ::testing::Combine(::testing::Values(0, 1, 2, 24, 25, 300, 20000),
                       ::testing::Values(Order::kRandom, Order::kSorted, Order::kReversed),
                       ::testing::Values(Keys::kGathered, Keys::kNoted)));

// Where two prefixes differ they order their surfaces as the bytes do.
TEST(SurfaceOrderPrefixTest, AgreesWithTheByteOrderWhereItDecides) {
  std::mt19937 rng(3);
  for (int i = 0; i < 20000; ++i) {
    const std::string a = random_surface(rng);
    const std::string b = random_surface(rng);
    const std::uint64_t pa = surface_order_prefix(a);
    const std::uint64_t pb = surface_order_prefix(b);
    if (pa != pb) {
      EXPECT_EQ(pa < pb, std::string_view(a) < std::string_view(b)) << i;
    } else {
      EXPECT_EQ(a.substr(0, 8) + std::string(8 - std::min<std::size_t>(8, a.size()), '\0'),
                b.substr(0, 8) + std::string(8 - std::min<std::size_t>(8, b.size()), '\0'));
    }
  }
  EXPECT_EQ(surface_order_prefix(""), 0u);
  EXPECT_EQ(surface_order_prefix("a"), std::uint64_t{'a'} << 56);
  EXPECT_EQ(surface_order_prefix("abcdefghij"), 0x6162636465666768u);
}

}  // namespace
}  // namespace lumra::payload
