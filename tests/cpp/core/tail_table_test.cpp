// TailTable against a model that writes every string out: each position
// keeps the first max_paths distinct strings offered, in byte order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "core/segmentation/tail_table.h"

namespace lumra {
namespace {

// Fronts that are prefixes of one another, so that runs interleave and
// offered strings repeat; "" and a two-part front too.
const std::vector<TailTable::Front> kFronts = {
    {"a", {}}, {"ab", {}}, {"b", {}}, {"", {}}, {"a", "b"}, {"ba", {}}, {"abab", {}},
};

std::string text_of(const TailTable& table, std::size_t position, std::uint32_t rank) {
  std::string out;
  table.for_each_step(position, rank, [&](const TailTable::Step& step) {
    out += step.front.first;
    out += step.front.then;
  });
  return out;
}

TEST(TailTable, EveryPositionHoldsTheFirstDistinctStringsOfferedInByteOrder) {
  std::mt19937 random(11);
  for (int round = 0; round < 300; ++round) {
    const std::size_t n = 1 + random() % 7;
    // Now and then positions of a hundred strings and more, so that a run
    // merges into many strings at once.
    const bool many = round % 3 == 0;
    const std::uint32_t max_paths = 1 + random() % (many ? 300 : 9);
    TailTable table;
    table.reset(n, max_paths);
    std::vector<std::vector<std::string>> model(n + 1);
    model[n] = {""};
    for (std::size_t i = n; i-- > 0;) {
      std::vector<std::string> formed;  // in the order they were formed
      bool full = false;
      for (int r = random() % (many ? 9 : 5); r > 0 && !full; --r) {
        const TailTable::Front& front = kFronts[random() % kFronts.size()];
        const std::size_t end = i + 1 + random() % std::min<std::size_t>(3, n - i);
        const bool flag = random() % 2;
        if (model[end].empty()) continue;  // callers never offer unreadable tails
        full = table.offer_run(front, end, flag);
        for (const std::string& tail : model[end]) {
          if (formed.size() == max_paths) break;
          const std::string s = std::string(front.first) + std::string(front.then) + tail;
          if (std::find(formed.begin(), formed.end(), s) == formed.end()) formed.push_back(s);
        }
        ASSERT_EQ(full, formed.size() == max_paths);
      }
      table.finish_position(i);
      std::sort(formed.begin(), formed.end());
      model[i] = formed;
      ASSERT_EQ(table.count(i), formed.size());
      for (std::uint32_t k = 0; k < formed.size(); ++k) {
        ASSERT_EQ(text_of(table, i, k), formed[k]) << "round " << round << " position " << i;
      }
    }
  }
}

TEST(TailTable, AStepCarriesTheFlagAndTheSegmentEndOfItsRun) {
  TailTable table;
  table.reset(2, 4);
  table.offer_run({"x", {}}, 2, true);
  table.finish_position(1);
  table.offer_run({"b", {}}, 1, false);
  table.offer_run({"a", {}}, 2, true);
  table.finish_position(0);
  ASSERT_EQ(table.count(0), 2u);
  const TailTable::Step first = table.step(0, 0);  // "a", the whole text in one segment
  EXPECT_EQ(first.front.first, "a");
  EXPECT_EQ(first.end, 2u);
  EXPECT_TRUE(first.flag);
  const TailTable::Step second = table.step(0, 1);  // "b" then "x"
  EXPECT_EQ(second.end, 1u);
  EXPECT_FALSE(second.flag);
  EXPECT_EQ(text_of(table, 0, 1), "bx");
}

}  // namespace
}  // namespace lumra
