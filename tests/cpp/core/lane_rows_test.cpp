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
    const std::size_t arcs = 1 + below(3);
    // Each row with one cell before column 0, as the table lays rows out:
    // column c is rows[k][c + 1].
    std::vector<std::vector<std::uint32_t>> rows(arcs, std::vector<std::uint32_t>(width + 1));
    const std::uint32_t* above[3];
    Symbol x[3];
    for (std::size_t k = 0; k < arcs; ++k) {
      for (std::uint32_t& v : rows[k]) v = below(4) == 0 ? kUnreached + below(40) : below(60);
      above[k] = rows[k].data() + 1;
      x[k] = 'a' + below(3);
    }
    std::vector<Symbol> symbols(width);
    for (Symbol& s : symbols) s = 'a' + below(3);

    std::vector<std::uint32_t> want(width, kUnreached * 2);
    for (std::size_t k = 0; k < arcs; ++k) {
      for (std::uint32_t c = 0; c < width; ++c) {
        want[c] = std::min({want[c], rows[k][c + 1] + 1,
                            rows[k][c] + (symbols[c] != x[k] ? 1u : 0u)});
      }
    }
    std::vector<std::uint32_t> given(width, 0), baseline(width, 0);
    lanes_from_above(above, x, arcs, symbols.data(), width, given.data());
    lanes_from_above_baseline(above, x, arcs, symbols.data(), width, baseline.data());
    ASSERT_EQ(given, want) << "round " << round;
    ASSERT_EQ(baseline, want) << "round " << round;
  }
}

}  // namespace
}  // namespace lumra::internal::table_fill
