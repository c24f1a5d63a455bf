// Searches on operands laid out once (prepared_lattice.h) against the
// straightforward searches (reference_lattice_distance.h): the same value
// or the same error for every metric, cutoff and shape, with operands laid
// out for the search at hand or for another one, and one workspace and one
// pair of layouts reused across many cells, as a matrix does.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/lattice/combined_text_distance.h"
#include "core/lattice/lattice_distance.h"
#include "core/lattice/prepared_lattice.h"
#include "lattice_test_support.h"
#include "random_lattices.h"
#include "reference_lattice_distance.h"

namespace lumra {
namespace {

using testing::LatticeGenerator;
using testing::LatticeShape;

std::optional<std::uint64_t> reference_cell(LatticeMetric metric, const PathLattice& left,
                                            const PathLattice& right,
                                            std::optional<std::uint64_t> cutoff) {
  auto value = metric == LatticeMetric::kLevenshtein
                   ? reference::with_cutoff<reference::Metric::kLevenshtein>(left, right, cutoff)
                   : reference::with_cutoff<reference::Metric::kDamerau>(left, right, cutoff);
  if (!value.ok()) return std::nullopt;
  return value.value();
}

TEST(PreparedLattice, MatrixOfRandomLatticesAgreesWithReference) {
  constexpr LatticeShape kShapes[] = {LatticeShape::kChain, LatticeShape::kChainWithExtraArcs,
                                      LatticeShape::kCompact, LatticeShape::kAny};
  LatticeGenerator generate(31, 3);
  for (int round = 0; round < 12; ++round) {
    std::vector<PathLattice> queries, choices;
    for (int k = 0; k < 5; ++k) {
      queries.push_back(generate.lattice(kShapes[generate.below(4)]));
      choices.push_back(generate.lattice(kShapes[generate.below(4)]));
    }
    for (const LatticeMetric metric : {LatticeMetric::kLevenshtein, LatticeMetric::kDamerau}) {
      for (const std::optional<std::uint64_t> cutoff :
           {std::optional<std::uint64_t>(), std::optional<std::uint64_t>(0),
            std::optional<std::uint64_t>(2)}) {
        // Laid out for this search, then for the other search of the same
        // metric, then for the other metric: all must answer alike.
        for (const LatticeSearchUse use :
             {LatticeSearchUse{metric, cutoff.has_value()},
              LatticeSearchUse{metric, !cutoff.has_value()},
              LatticeSearchUse{metric == LatticeMetric::kLevenshtein ? LatticeMetric::kDamerau
                                                                     : LatticeMetric::kLevenshtein,
                               cutoff.has_value()}}) {
          std::vector<PreparedLattice> left, right;
          for (const PathLattice& q : queries) {
            left.push_back(PreparedLattice::of(q, use, LatticeSide::kLeft));
          }
          for (const PathLattice& c : choices) {
            right.push_back(PreparedLattice::of(c, use, LatticeSide::kRight));
          }
          LatticeWorkspace workspace;
          for (std::size_t q = 0; q < queries.size(); ++q) {
            for (std::size_t c = 0; c < choices.size(); ++c) {
              SCOPED_TRACE(testing::dump(queries[q]) + " | " + testing::dump(choices[c]) +
                           " cutoff " + (cutoff ? std::to_string(*cutoff) : "none"));
              const auto got =
                  lattice_distance_with_cutoff(metric, left[q], right[c], cutoff, workspace);
              ASSERT_TRUE(got.ok());
              EXPECT_EQ(got.value(), reference_cell(metric, queries[q], choices[c], cutoff));
            }
          }
        }
      }
    }
  }
}

// The combined distance on prepared operands is the one on the lattices.
TEST(PreparedLattice, CombinedDistanceAgrees) {
  LatticeGenerator generate(37, 2);
  LatticeWorkspace workspace;
  StringWorkspace strings;
  for (int round = 0; round < 200; ++round) {
    const PathLattice left = generate.lattice(LatticeShape::kCompact);
    const PathLattice right = generate.lattice(LatticeShape::kAny);
    const std::vector<Symbol> a = testing::symbols(round % 2 ? "abab" : "ba");
    const std::vector<Symbol> b = testing::symbols(round % 3 ? "abba" : "a");
    for (const std::optional<std::uint64_t> cutoff :
         {std::optional<std::uint64_t>(), std::optional<std::uint64_t>(1)}) {
      const LatticeSearchUse use{LatticeMetric::kLevenshtein, cutoff.has_value()};
      const auto want = combined_text_distance(a, b, left, right, cutoff, strings, workspace);
      const auto got = combined_text_distance(
          a, b, PreparedLattice::of(left, use, LatticeSide::kLeft),
          PreparedLattice::of(right, use, LatticeSide::kRight), cutoff, strings, workspace);
      ASSERT_TRUE(want.ok() && got.ok());
      EXPECT_EQ(got.value(), want.value());
    }
  }
}

// The threshold tests on prepared operands, laid out for them or for
// another search, against the reference distance, one workspace reused.
TEST(PreparedLattice, ThresholdTestsAgree) {
  constexpr LatticeShape kShapes[] = {LatticeShape::kChain, LatticeShape::kChainWithExtraArcs,
                                      LatticeShape::kCompact, LatticeShape::kAny};
  LatticeGenerator generate(41, 3);
  LatticeWorkspace workspace;
  for (int round = 0; round < 300; ++round) {
    const PathLattice left = generate.lattice(kShapes[generate.below(4)]);
    const PathLattice right = generate.lattice(kShapes[generate.below(4)]);
    for (const LatticeMetric metric : {LatticeMetric::kLevenshtein, LatticeMetric::kDamerau}) {
      const std::uint64_t distance = *reference_cell(metric, left, right, std::nullopt);
      for (const bool bounded : {true, false}) {
        const LatticeSearchUse use{metric, bounded};
        const PreparedLattice l = PreparedLattice::of(left, use, LatticeSide::kLeft);
        const PreparedLattice r = PreparedLattice::of(right, use, LatticeSide::kRight);
        for (const std::uint64_t threshold : {0, 1, 2, 5}) {
          SCOPED_TRACE(testing::dump(left) + " | " + testing::dump(right));
          const auto got = lattice_within(metric, l, r, threshold, workspace);
          ASSERT_TRUE(got.ok());
          EXPECT_EQ(got.value(), distance <= threshold);
        }
      }
    }
  }
}

// Operands beyond the state limit are not laid out, and fail with the
// same message as their lattices, before the workspace takes any memory.
TEST(PreparedLattice, StateLimitErrorsMatch) {
  for (const std::uint64_t rows : {std::uint64_t{4001}, std::uint64_t{16000001},
                                   std::uint64_t{1} << 40}) {
    const PathLattice left = PathLattice::from_arcs(rows, 0, 0, {}).value();
    const PathLattice right = PathLattice::from_arcs(4000, 0, 3999, {}).value();
    for (const bool bounded : {false, true}) {
      const LatticeSearchUse use{LatticeMetric::kDamerau, bounded};
      const std::optional<std::uint64_t> cutoff =
          bounded ? std::optional<std::uint64_t>(1) : std::nullopt;
      LatticeWorkspace workspace;
      const auto got = lattice_distance_with_cutoff(
          LatticeMetric::kDamerau, PreparedLattice::of(left, use, LatticeSide::kLeft),
          PreparedLattice::of(right, use, LatticeSide::kRight), cutoff, workspace);
      const auto want = lattice_damerau_with_cutoff(left, right, cutoff, workspace);
      ASSERT_FALSE(got.ok());
      ASSERT_FALSE(want.ok());
      EXPECT_EQ(message(got.error()), message(want.error()));
      const auto within = lattice_within(LatticeMetric::kDamerau,
                                         PreparedLattice::of(left, use, LatticeSide::kLeft),
                                         PreparedLattice::of(right, use, LatticeSide::kRight), 1,
                                         workspace);
      ASSERT_FALSE(within.ok());
      EXPECT_EQ(message(within.error()), message(want.error()));
      EXPECT_EQ(workspace.reserved_bytes(), 0u);
    }
  }
}

// The plan of a right operand's columns refers to its arcs and holds no
// copy of them: with every column of two arcs in or of nine, as compact
// lattices have, it takes the same room.
TEST(PreparedLattice, ColumnPlanTakesTheSameRoomWhateverTheArcsIn) {
  auto columns_bytes = [](std::uint64_t arcs_in) {
    constexpr std::uint64_t kNodes = 4000;
    std::vector<LatticeArc> arcs;
    for (std::uint64_t n = 1; n < kNodes; ++n) {
      for (std::uint64_t k = 0; k < arcs_in; ++k) arcs.push_back({n - 1, n, Symbol('a' + k)});
    }
    const PathLattice lattice = PathLattice::from_arcs(kNodes, 0, kNodes - 1, arcs).value();
    const auto laid = PreparedLattice::of(lattice, {LatticeMetric::kLevenshtein, false},
                                          LatticeSide::kRight);
    return laid.columns().reserved_bytes();
  };
  EXPECT_EQ(columns_bytes(9), columns_bytes(2));
}

}  // namespace
}  // namespace lumra
