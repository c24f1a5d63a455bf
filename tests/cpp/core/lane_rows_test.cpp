// The lanes' first step built for the baseline instruction set against the
// build the processor is given (the 256-bit one where it has it), and both
// against the cell-by-cell way down it stands for; and whole tables filled
// in lanes by both builds against the reference fill.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "core/lattice/internal/fill_cells.h"
#include "core/lattice/internal/lane_rows.h"
#include "core/lattice/internal/table_rows.h"
#include "core/lattice/lattice_distance.h"
#include "core/lattice/prepared_lattice.h"
#include "lattice_test_support.h"
#include "random_lattices.h"
#include "reference_lattice_distance.h"

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

// Right operands a chain of `width` nodes with links cut (a column whose
// one arc in comes from afar, or none) and arcs that skip ahead (columns
// of several arcs in), so that runs of followers of every length start and
// end anywhere in a lane; left operands whose rows have 1 to `max_arcs_in`
// arcs in, each count its own build of the heads, past eight arcs none.
// Symbols from 0 up: the start column, with no arc in, plans symbol 0, and
// must not be crossed into even by an arc of symbol 0.
struct LaneTableCase {
  const char* name;
  std::uint64_t min_width, width_span;
  std::size_t cut_one_link_in;  // 0: none cut
  std::size_t max_arcs_in;
  std::uint64_t seed;
};

class LaneTables : public ::testing::TestWithParam<LaneTableCase> {};

TEST_P(LaneTables, BothBuildsFillWhatTheReferenceFills) {
  const LaneTableCase& p = GetParam();
  testing::LatticeGenerator generate(p.seed, 3);
  const LatticeSearchUse use{LatticeMetric::kLevenshtein, false};
  auto symbol = [&generate]() { return static_cast<Symbol>(generate.below(3)); };
  for (int round = 0; round < 150; ++round) {
    const std::uint64_t width = p.min_width + generate.below(p.width_span);
    std::vector<LatticeArc> arcs;
    for (std::uint64_t n = 0; n + 1 < width; ++n) {
      if (p.cut_one_link_in == 0 || generate.below(p.cut_one_link_in) != 0) {
        arcs.push_back({n, n + 1, symbol()});
      }
      if (generate.below(4) == 0) {
        arcs.push_back({n, std::min(width - 1, n + 2 + generate.below(6)), symbol()});
      }
    }
    const PathLattice right = PathLattice::from_arcs(width, 0, width - 1, arcs).value();
    const std::uint64_t rows = 2 + generate.below(12);
    arcs.clear();
    for (std::uint64_t n = 1; n < rows; ++n) {
      for (std::size_t k = 1 + generate.below(p.max_arcs_in); k > 0; --k) {
        arcs.push_back({k == 1 ? n - 1 : generate.below(n), n, symbol()});
      }
    }
    const PathLattice left = PathLattice::from_arcs(rows, 0, rows - 1, arcs).value();
    SCOPED_TRACE("round " + std::to_string(round) + ": " + testing::dump(left) + " | " +
                 testing::dump(right));
    const std::uint64_t want = reference::unbounded<reference::Metric::kLevenshtein>(left, right).value();

    const auto laid_left = PreparedLattice::of(left, use, LatticeSide::kLeft);
    const auto laid_right = PreparedLattice::of(right, use, LatticeSide::kRight);
    ASSERT_TRUE(laid_right.columns().lanes_planned);
    for (const auto fill : {&lane_rows, &lane_rows_baseline}) {
      TableRows table;
      table.use(laid_left.row_slots(), laid_right.span(), true);
      const Grid grid{laid_left.steps(), laid_right.steps(), table, laid_right.span(),
                      laid_right.columns()};
      InterruptionPoll poll;
      ASSERT_TRUE(fill(grid, laid_left.span(), poll));
      const std::uint32_t end = grid.row(laid_left.span() - 1)[laid_right.span() - 1];
      ASSERT_EQ(end >= kUnreached ? kLatticeInfinity : end, want)
          << (fill == &lane_rows ? "chosen build" : "baseline build");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, LaneTables,
    ::testing::Values(LaneTableCase{"OneArcRowsLinkedChain", 8, 60, 0, 1, 31},
                      LaneTableCase{"OneArcRowsCutChain", 8, 60, 5, 1, 32},
                      LaneTableCase{"UpToEightArcRows", 8, 40, 7, 8, 33},
                      LaneTableCase{"PastEightArcRows", 8, 30, 7, 11, 34},
                      LaneTableCase{"LongRuns", 60, 100, 30, 3, 35}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace lumra::internal::table_fill
