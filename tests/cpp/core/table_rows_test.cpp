#include "core/lattice/internal/table_rows.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "core/lattice/internal/node_steps.h"
#include "lattice_test_support.h"
#include "random_lattices.h"

namespace lumra {
namespace {

using internal::NodeSteps;
using internal::RowSlots;
using internal::Step;
using internal::TableRows;
using testing::LatticeGenerator;
using testing::LatticeShape;

struct RowsCase {
  std::string name;
  LatticeShape shape;
  std::uint32_t cols;
  bool damerau;  // rows are read two arcs on
  bool pairs;    // rows filled two at a time where possible, as the fill does
};

void PrintTo(const RowsCase& c, std::ostream* out) { *out << c.name; }

class TableRowsLifetimes : public ::testing::TestWithParam<RowsCase> {};

// Writes each row's number into all its cells and checks, whenever a row
// is filled, that every row it reads still holds its own number: a slot
// reused too early would show another row's number.
TEST_P(TableRowsLifetimes, EveryRowReadIsStillIntact) {
  const RowsCase& c = GetParam();
  LatticeGenerator generate(77 + c.cols, 2);
  std::mt19937 coin(c.cols);
  TableRows table;  // reused across lattices on purpose
  RowSlots slots;
  NodeSteps into_left;
  for (int round = 0; round < 60; ++round) {
    const PathLattice lattice = generate.lattice(c.shape, 6, 8);
    SCOPED_TRACE("round " + std::to_string(round) + ": " + testing::dump(lattice));
    into_left.assign(lattice, lattice.start(), lattice.end(), NodeSteps::Direction::kIncoming);
    const auto rows = static_cast<std::uint32_t>(lattice.end() - lattice.start() + 1);
    slots.plan(into_left, rows, c.damerau);
    table.use(slots, c.cols);
    auto fill = [&](std::uint32_t r, std::uint32_t* cells) {
      for (std::uint32_t k = 0; k < c.cols; ++k) cells[k] = r;
    };
    auto intact = [&](std::uint32_t read) {
      for (std::uint32_t k = 0; k < c.cols; ++k) {
        if (table.row(read)[k] != read) return false;
      }
      return true;
    };
    auto check_reads = [&](std::uint32_t r) {
      for (const Step& x : into_left.of(r)) {
        EXPECT_TRUE(intact(x.node)) << "row " << r << " reads row " << x.node;
        if (!c.damerau) continue;
        for (const Step& x2 : into_left.of(x.node)) {
          EXPECT_TRUE(intact(x2.node)) << "row " << r << " reads row " << x2.node;
        }
      }
    };
    for (std::uint32_t r = 0; r < rows;) {
      // The fill pairs rows wherever the lattice lets it: here anywhere.
      const bool pair = c.pairs && r + 1 < rows && (coin() & 1) != 0;
      // Both rows of a pair are written before either is checked.
      fill(r, table.row(r));
      if (pair) fill(r + 1, table.row(r + 1));
      check_reads(r);
      if (pair) check_reads(r + 1);
      r += pair ? 2 : 1;
    }
    EXPECT_TRUE(intact(rows - 1)) << "the end row, read after the fill";
    if (HasFailure()) return;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, TableRowsLifetimes,
    ::testing::Values(RowsCase{"ChainReused", LatticeShape::kChain, 16, false, false},
                      RowsCase{"ChainReusedDamerau", LatticeShape::kChain, 20, true, false},
                      RowsCase{"ChainReusedInPairs", LatticeShape::kChain, 16, true, true},
                      RowsCase{"CompactReusedInPairs", LatticeShape::kCompact, 17, true, true},
                      RowsCase{"AnyReused", LatticeShape::kAny, 16, false, true},
                      RowsCase{"AnyReusedDamerau", LatticeShape::kAny, 16, true, true},
                      RowsCase{"Narrow", LatticeShape::kCompact, 3, true, true}),
    [](const auto& info) { return info.param.name; });

TEST(TableRows, ChainsKeepOnlyAFewRowsAlive) {
  // Twenty chains of ten symbols: 182 rows, of which the start row, the
  // last row of each chain (read by the end row; for Damerau the row
  // before it too) and the rows in hand are alive at once.
  std::vector<std::vector<Symbol>> list(20, std::vector<Symbol>(10, 'a'));
  const PathLattice lattice = PathLattice::from_paths(list).value();
  NodeSteps into_left;
  into_left.assign(lattice, lattice.start(), lattice.end(), NodeSteps::Direction::kIncoming);
  RowSlots levenshtein;
  levenshtein.plan(into_left, 182, false);
  EXPECT_LT(levenshtein.slot_count(), 182 / 6);
  RowSlots damerau;
  damerau.plan(into_left, 182, true);
  EXPECT_LT(damerau.slot_count(), 182 / 3);
}

}  // namespace
}  // namespace lumra
