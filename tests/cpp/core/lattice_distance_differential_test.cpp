// The tuned lattice searches against the straightforward ones
// (reference_lattice_distance.h): every value, every boolean and every
// error must be the same, for every bound from 0 to one past the distance.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/lattice/lattice_distance.h"
#include "core/lattice/lattice_workspace.h"
#include "lattice_test_support.h"
#include "random_lattices.h"
#include "reference_lattice_distance.h"

namespace lumra {
namespace {

using testing::LatticeGenerator;
using testing::LatticeShape;
using reference::Metric;

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

// The bounds worth trying for a pair whose distance is `distance`: all of
// 0 .. distance + 1, and for an unreachable end the bounds around the
// infinity marker, where "within" and "reached" part ways.
std::vector<std::uint64_t> bounds_for(std::uint64_t distance) {
  std::vector<std::uint64_t> bounds;
  if (distance == kLatticeInfinity) {
    bounds = {0, 1, 2, 5, kLatticeInfinity - 1, kLatticeInfinity, kLatticeInfinity + 1, kMax};
  } else {
    for (std::uint64_t k = 0; k <= distance + 1; ++k) bounds.push_back(k);
    bounds.push_back(kMax);
  }
  return bounds;
}

// Compares every form of one metric on one pair. `workspace` is shared
// across pairs on purpose: what one search leaves behind must not leak
// into the next.
template <Metric kMetric>
void expect_same_as_reference(const PathLattice& left, const PathLattice& right,
                              LatticeWorkspace& workspace) {
  constexpr bool kLevenshtein = kMetric == Metric::kLevenshtein;
  const auto unbounded = kLevenshtein ? &lattice_levenshtein : &lattice_damerau;
  const auto bounded = kLevenshtein ? &lattice_levenshtein_bounded : &lattice_damerau_bounded;
  const auto within = kLevenshtein ? &lattice_within_levenshtein : &lattice_within_damerau;
  const auto with_cutoff =
      kLevenshtein ? &lattice_levenshtein_with_cutoff : &lattice_damerau_with_cutoff;
  SCOPED_TRACE(std::string(kLevenshtein ? "levenshtein " : "damerau ") + testing::dump(left) +
               " | " + testing::dump(right));

  const std::uint64_t expected = reference::unbounded<kMetric>(left, right).value();
  ASSERT_EQ(unbounded(left, right, workspace).value(), expected);
  EXPECT_EQ(with_cutoff(left, right, std::nullopt, workspace).value(), expected);
  for (std::uint64_t bound : bounds_for(expected)) {
    SCOPED_TRACE("bound " + std::to_string(bound));
    const BoundedDistance want = reference::bounded<kMetric>(left, right, bound).value();
    const BoundedDistance got = bounded(left, right, bound, workspace).value();
    EXPECT_EQ(got.within, want.within);
    EXPECT_EQ(got.value, want.value);
    EXPECT_EQ(within(left, right, bound).value(),
              reference::within<kMetric>(left, right, bound).value());
    EXPECT_EQ(with_cutoff(left, right, bound, workspace).value(),
              reference::with_cutoff<kMetric>(left, right, bound).value());
  }
}

struct ShapePair {
  LatticeShape left, right;
  std::size_t alphabet;
  std::uint64_t seed;
};

void PrintTo(const ShapePair& p, std::ostream* out) {
  *out << testing::shape_name(p.left) << " x " << testing::shape_name(p.right) << ", "
       << p.alphabet << " symbols, seed " << p.seed;
}

class LatticeDistanceDifferential : public ::testing::TestWithParam<ShapePair> {};

TEST_P(LatticeDistanceDifferential, AgreesWithReferenceOnRandomPairs) {
  const ShapePair& p = GetParam();
  LatticeGenerator generate(p.seed, p.alphabet);
  LatticeWorkspace workspace;
  for (int round = 0; round < 150; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const PathLattice left = generate.lattice(p.left);
    const PathLattice right = generate.lattice(p.right);
    expect_same_as_reference<Metric::kLevenshtein>(left, right, workspace);
    expect_same_as_reference<Metric::kDamerau>(left, right, workspace);
    if (HasFatalFailure()) return;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, LatticeDistanceDifferential,
    ::testing::Values(ShapePair{LatticeShape::kChain, LatticeShape::kChain, 2, 11},
                      ShapePair{LatticeShape::kChain, LatticeShape::kChain, 3, 12},
                      ShapePair{LatticeShape::kChainWithExtraArcs,
                                LatticeShape::kChainWithExtraArcs, 2, 19},
                      ShapePair{LatticeShape::kChain, LatticeShape::kChainWithExtraArcs, 3, 20},
                      ShapePair{LatticeShape::kChainWithExtraArcs, LatticeShape::kCompact, 2, 22},
                      ShapePair{LatticeShape::kCompact, LatticeShape::kCompact, 2, 13},
                      ShapePair{LatticeShape::kCompact, LatticeShape::kChain, 3, 14},
                      ShapePair{LatticeShape::kChain, LatticeShape::kCompact, 2, 15},
                      ShapePair{LatticeShape::kAny, LatticeShape::kAny, 2, 16},
                      ShapePair{LatticeShape::kAny, LatticeShape::kChain, 2, 17},
                      ShapePair{LatticeShape::kCompact, LatticeShape::kAny, 3, 18}),
    [](const auto& info) {
      return std::string(testing::shape_name(info.param.left)) + "_" +
             testing::shape_name(info.param.right) + "_" + std::to_string(info.param.alphabet);
    });

// Pairs with more states than the bounded searches keep in a flat table
// from the start: their reached states begin in the hash table, and with a
// loose bound the search reaches enough of them to move to the flat table
// halfway. Both sides of that move must give the reference's answers. The
// lattices have long chains but are not made of separate chains only, so
// the node-pair searches run, over long runs of followers and rows that
// follow each other.
// Lattices where up to ten arcs meet at one node, many of them of one
// symbol (as spellings meet again after a shared last letter): as left
// operand, rows filled from several rows above in one pass, and past
// eight arcs arc by arc; as right operand, columns of many arcs in.
TEST(LatticeDistanceDifferential, RowsWhereArcsOfOneSymbolMeet) {
  LatticeGenerator generate(20261210, 3);
  LatticeWorkspace workspace;
  const LatticeShape shapes[] = {LatticeShape::kChain, LatticeShape::kCompact,
                                 LatticeShape::kAny};
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    // Start 0, middles 1..m, meeting node m + 1 and sometimes a tail.
    const std::uint64_t middles = 2 + generate.below(9);
    const std::uint64_t meet = middles + 1;
    const bool tail = generate.below(2) == 0;
    std::vector<LatticeArc> arcs;
    for (std::uint64_t k = 1; k <= middles; ++k) {
      arcs.push_back({0, k, generate.symbol()});
      if (k > 1 && generate.below(3) == 0) arcs.push_back({k - 1, k, generate.symbol()});
      const Symbol into_meet = generate.below(3) == 0 ? generate.symbol() : Symbol{'a'};
      arcs.push_back({k, meet, into_meet});
    }
    if (tail) arcs.push_back({meet, meet + 1, generate.symbol()});
    const std::uint64_t nodes = meet + (tail ? 2 : 1);
    const PathLattice left = PathLattice::from_arcs(nodes, 0, nodes - 1, arcs).value();
    const PathLattice right = generate.lattice(shapes[round % 3], 4, 20);
    expect_same_as_reference<Metric::kLevenshtein>(left, right, workspace);
    expect_same_as_reference<Metric::kLevenshtein>(right, left, workspace);
    if (HasFatalFailure()) return;
  }
}

// Levenshtein rows of eight columns or more are filled a lane of columns
// at a time, over whole lanes past the last column. Right operands of
// every width around a lane's multiples: a chain of the exact width with
// arcs that skip ahead or run parallel (so columns whose one arc comes
// from afar, columns of several arcs in, and runs of followers cut
// anywhere in a lane), against left operands of every shape, rows of no
// arc in and of many included. One workspace throughout, and laid-out
// operands too, so that what a wider or narrower table left behind is
// there to be misread.
TEST(LatticeDistanceDifferential, RowsFilledInLanesOfEveryWidth) {
  LatticeGenerator generate(77, 3);
  LatticeWorkspace workspace;
  const LatticeShape shapes[] = {LatticeShape::kChain, LatticeShape::kChainWithExtraArcs,
                                 LatticeShape::kCompact, LatticeShape::kAny};
  for (int round = 0; round < 200; ++round) {
    const std::uint64_t width = round % 2 == 0 ? 6 + generate.below(14) : 20 + generate.below(30);
    std::vector<LatticeArc> arcs;
    for (std::uint64_t n = 0; n + 1 < width; ++n) arcs.push_back({n, n + 1, generate.symbol()});
    for (std::size_t extra = generate.below(width / 2 + 1); extra > 0; --extra) {
      const std::uint64_t src = generate.below(width - 1);
      const std::uint64_t dst = src + 1 + generate.below(std::min<std::uint64_t>(4, width - 1 - src));
      arcs.push_back({src, dst, generate.symbol()});
    }
    const PathLattice right = PathLattice::from_arcs(width, 0, width - 1, arcs).value();
    const PathLattice left = generate.lattice(shapes[round % 4], 4, 12);
    SCOPED_TRACE("round " + std::to_string(round) + ": " + testing::dump(left) + " | " +
                 testing::dump(right));
    const std::uint64_t want = reference::unbounded<Metric::kLevenshtein>(left, right).value();
    ASSERT_EQ(lattice_levenshtein(left, right, workspace).value(), want);
    const LatticeSearchUse use{LatticeMetric::kLevenshtein, false};
    const auto laid_left = PreparedLattice::of(left, use, LatticeSide::kLeft);
    const auto laid_right = PreparedLattice::of(right, use, LatticeSide::kRight);
    ASSERT_EQ(lattice_distance_with_cutoff(LatticeMetric::kLevenshtein, laid_left, laid_right,
                                           std::nullopt, workspace)
                  .value(),
              want);
  }
}

TEST(LatticeDistanceDifferential, LargePairsAcrossTheHashAndFlatTables) {
  LatticeGenerator generate(21, 2);
  // Eight chains of 35..44 symbols and an extra arc or two: 280..350 nodes
  // a side, so every pair has more than 65536 states.
  auto big_chain = [&generate]() {
    std::vector<std::vector<Symbol>> list(8);
    for (auto& path : list) {
      path.resize(35 + generate.below(10));
      for (Symbol& s : path) s = generate.symbol();
    }
    return generate.with_extra_arcs(PathLattice::from_paths(list).value());
  };
  LatticeWorkspace workspace;
  for (int round = 0; round < 4; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const PathLattice left = big_chain();
    const PathLattice right = big_chain();
    ASSERT_GT(left.node_count() * right.node_count(), 65536u);
    expect_same_as_reference<Metric::kLevenshtein>(left, right, workspace);
    if (round < 2) expect_same_as_reference<Metric::kDamerau>(left, right, workspace);
  }
}

// The state limit is decided before anything else, the same way.
TEST(LatticeDistanceDifferential, StateLimitErrorsMatch) {
  for (std::uint64_t rows : {std::uint64_t{4000}, std::uint64_t{4001}, std::uint64_t{16000001}}) {
    auto left = PathLattice::from_arcs(rows, 0, 0, {});
    auto right = PathLattice::from_arcs(4000, 0, 3999, {});
    ASSERT_TRUE(left.ok() && right.ok());
    LatticeWorkspace workspace;
    const auto want = reference::unbounded<Metric::kLevenshtein>(left.value(), right.value());
    const auto got = lattice_levenshtein(left.value(), right.value(), workspace);
    ASSERT_EQ(got.ok(), want.ok());
    if (!want.ok()) {
      EXPECT_EQ(message(got.error()), message(want.error()));
      EXPECT_EQ(workspace.reserved_bytes(), 0u);
      const auto bounded_got = lattice_damerau_bounded(left.value(), right.value(), 1, workspace);
      ASSERT_FALSE(bounded_got.ok());
      EXPECT_EQ(message(bounded_got.error()), message(want.error()));
    } else {
      EXPECT_EQ(got.value(), want.value());
    }
  }
}

}  // namespace
}  // namespace lumra
