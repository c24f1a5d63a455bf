// The bounds that a bit row gives over a range of columns against its
// entries read one by one.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "ja/reading/bit_row.h"

namespace lumra::ja {
namespace {

// Rows made by appending random symbols to the empty string against
// random texts of 1 to 64 symbols over a small alphabet, so that both
// rises and falls are common.
TEST(BitRow, RangeBoundsAgreeWithTheEntries) {
  std::mt19937_64 random(29);
  for (int round = 0; round < 3000; ++round) {
    const auto length = static_cast<std::uint32_t>(1 + random() % 64);
    std::uint64_t matches[3] = {0, 0, 0};
    for (std::uint32_t i = 0; i < length; ++i) matches[random() % 3] |= std::uint64_t{1} << i;
    BitRow row = BitRow::first(length);
    for (std::uint64_t appended = random() % 80; appended > 0; --appended) {
      row = row.next(matches[random() % 3], length);
    }
    const auto from = static_cast<std::uint32_t>(random() % (length + 1));
    const auto to = static_cast<std::uint32_t>(from + random() % (length - from + 1));
    std::uint32_t smallest = row.at(from);
    std::uint32_t falls = 0;
    for (std::uint32_t i = from + 1; i <= to; ++i) {
      smallest = std::min(smallest, row.at(i));
      if (row.at(i) < row.at(i - 1)) ++falls;
    }
    EXPECT_EQ(row.min_between(from, to), smallest) << round;
    EXPECT_EQ(row.floor_between(from, to), row.at(from) > falls ? row.at(from) - falls : 0)
        << round;
    EXPECT_LE(row.floor_between(from, to), smallest) << round;
  }
}

}  // namespace
}  // namespace lumra::ja
