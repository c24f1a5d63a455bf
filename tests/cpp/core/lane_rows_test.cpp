// The lanes' first step built for the baseline instruction set against the
// build the processor is given (the 256-bit one where it has it), and both
// against the cell-by-cell way down it stands for.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "core/lattice/internal/fill_cells.h"
#include "core/lattice/internal/lane_rows.h"
#include "core/lattice/internal/table_rows.h"

namespace lumra::internal::table_fill {
namespace {

TEST(LaneRows, BothBuildsGiveEachColumnItsWayDownAsAFollower) {
  std::mt19937 rng(5);
  auto below = [&rng](std::uint32_t n) {
    return std::uniform_int_distribution<std::uint32_t>(0, n - 1)(rng);
  };
  for (int round = 0; round < 200; ++round) {
    const std::uint32_t width = kRowLanes * (1 + below(5));
    // One cell before column 0, as the table lays rows out.
    std::vector<std::uint32_t> above(width + 1);
    for (std::uint32_t& v : above) v = below(4) == 0 ? kUnreached + below(40) : below(60);
    std::vector<Symbol> symbols(width);
    for (Symbol& s : symbols) s = 'a' + below(3);
    const Symbol x = 'a' + below(3);
    std::vector<std::uint32_t> earlier(width);
    for (std::uint32_t& v : earlier) v = below(70);
    const bool first = below(2) == 0;

    std::vector<std::uint32_t> want(width);
    for (std::uint32_t c = 0; c < width; ++c) {
      want[c] = std::min(above[c + 1] + 1, above[c] + (symbols[c] != x ? 1u : 0u));
      if (!first) want[c] = std::min(want[c], earlier[c]);
    }
    std::vector<std::uint32_t> given = earlier, baseline = earlier;
    lanes_from_above(above.data() + 1, x, symbols.data(), width, given.data(), first);
    lanes_from_above_baseline(above.data() + 1, x, symbols.data(), width, baseline.data(), first);
    ASSERT_EQ(given, want) << "round " << round;
    ASSERT_EQ(baseline, want) << "round " << round;
  }
}

}  // namespace
}  // namespace lumra::internal::table_fill
