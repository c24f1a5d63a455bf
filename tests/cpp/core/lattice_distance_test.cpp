#include "core/lattice/lattice_distance.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "core/lattice/combined_text_distance.h"
#include "core/strings/levenshtein.h"
#include "core/strings/osa.h"
#include "core/lattice/path_list.h"
#include "lattice_test_support.h"

namespace lumra {
namespace {

using testing::paths;
using testing::symbols;
using PathList = std::vector<std::vector<Symbol>>;

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

PathLattice lattice_of(const PathList& list) {
  auto built = path_list_lattice(list);
  EXPECT_TRUE(built.ok());
  return std::move(built).value();
}

PathLattice chain(std::uint64_t length, Symbol symbol) {
  return lattice_of(PathList{std::vector<Symbol>(length, symbol)});
}

// Checks every form of both metrics against known distances: the
// unbounded values, the bounded forms at the distance and just below it,
// and the threshold tests on both sides.
void expect_all_forms(const PathLattice& left, const PathLattice& right, std::uint64_t levenshtein,
                      std::uint64_t damerau, LatticeWorkspace& workspace) {
  struct Metric {
    const char* name;
    std::uint64_t expected;
    decltype(&lattice_levenshtein) unbounded;
    decltype(&lattice_levenshtein_bounded) bounded;
    decltype(&lattice_within_levenshtein) within;
  };
  for (const Metric& m : {Metric{"levenshtein", levenshtein, lattice_levenshtein,
                                 lattice_levenshtein_bounded, lattice_within_levenshtein},
                          Metric{"damerau", damerau, lattice_damerau, lattice_damerau_bounded,
                                 lattice_within_damerau}}) {
    SCOPED_TRACE(m.name);
    EXPECT_EQ(m.unbounded(left, right, workspace).value(), m.expected);
    const BoundedDistance at = m.bounded(left, right, m.expected, workspace).value();
    EXPECT_TRUE(at.within);
    EXPECT_EQ(at.value, m.expected);
    EXPECT_TRUE(m.within(left, right, m.expected).value());
    if (m.expected > 0) {
      EXPECT_FALSE(m.bounded(left, right, m.expected - 1, workspace).value().within);
      EXPECT_FALSE(m.within(left, right, m.expected - 1).value());
    }
  }
}

struct DistanceCase {
  std::string name;
  PathList left, right;
  std::uint64_t levenshtein, damerau;
};

class LatticeDistance : public ::testing::TestWithParam<DistanceCase> {};

TEST_P(LatticeDistance, AllFormsAgree) {
  LatticeWorkspace workspace;
  expect_all_forms(lattice_of(GetParam().left), lattice_of(GetParam().right),
                   GetParam().levenshtein, GetParam().damerau, workspace);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LatticeDistance,
    ::testing::Values(
        DistanceCase{"EmptyAgainstEmpty", paths({""}), paths({"", ""}), 0, 0},
        DistanceCase{"EmptyAgainstWord", paths({""}), paths({"abc"}), 3, 3},
        DistanceCase{"BestPairWins", paths({"abc", "xyz"}), paths({"xbz"}), 1, 1},
        DistanceCase{"Transposition", paths({"ab"}), paths({"ba"}), 2, 1},
        // Once transposed, neither symbol may be edited again.
        DistanceCase{"RestrictedTransposition", paths({"ca"}), paths({"abc"}), 3, 3},
        DistanceCase{"TranspositionInsideLongerWords", paths({"abcdef"}), paths({"abdcef"}), 2, 1},
        DistanceCase{"Kitten", paths({"kitten"}), paths({"mittens"}), 2, 2},
        DistanceCase{"TranspositionOnSecondPath", paths({"zzz", "xaby"}), paths({"xbay", "q"}), 2,
                     1}),
    [](const auto& info) { return info.param.name; });

TEST(LatticeDistance, CutoffRuleReportsExceedingAsCutoffPlusOne) {
  LatticeWorkspace workspace;
  const PathLattice kitten = lattice_of(paths({"kitten"}));
  const PathLattice mittens = lattice_of(paths({"mittens"}));
  for (auto form : {&lattice_levenshtein_with_cutoff, &lattice_damerau_with_cutoff}) {
    EXPECT_EQ(form(kitten, mittens, std::nullopt, workspace).value(), 2u);
    EXPECT_EQ(form(kitten, mittens, 1, workspace).value(), 2u);
    EXPECT_EQ(form(kitten, mittens, 0, workspace).value(), 1u);
    EXPECT_EQ(form(kitten, mittens, 2, workspace).value(), 2u);
    EXPECT_EQ(form(kitten, mittens, kMax, workspace).value(), 2u);
  }
}

TEST(LatticeDistance, EndpointsInsideTheNodeRangeAreHonoured) {
  // Spells only "ab" between nodes 1 and 3; the arcs around them are not
  // on any start-to-end path.
  auto inner =
      PathLattice::from_arcs(5, 1, 3, {{0, 1, 'z'}, {1, 2, 'a'}, {2, 3, 'b'}, {3, 4, 'z'}});
  ASSERT_TRUE(inner.ok());
  LatticeWorkspace workspace;
  expect_all_forms(inner.value(), lattice_of(paths({"ab"})), 0, 0, workspace);
  expect_all_forms(lattice_of(paths({"zab"})), inner.value(), 1, 1, workspace);
}

TEST(LatticeDistance, UnreachableEndIsInfiniteNeverWithin) {
  auto broken = PathLattice::from_arcs(3, 0, 2, {{0, 1, 'a'}});
  ASSERT_TRUE(broken.ok());
  const PathLattice word = lattice_of(paths({"a"}));
  LatticeWorkspace workspace;
  for (bool broken_left : {true, false}) {
    const PathLattice& left = broken_left ? broken.value() : word;
    const PathLattice& right = broken_left ? word : broken.value();
    EXPECT_EQ(lattice_levenshtein(left, right, workspace).value(), kLatticeInfinity);
    EXPECT_EQ(lattice_damerau(left, right, workspace).value(), kLatticeInfinity);
    EXPECT_FALSE(lattice_levenshtein_bounded(left, right, 5, workspace).value().within);
    EXPECT_FALSE(lattice_damerau_bounded(left, right, 5, workspace).value().within);
    EXPECT_EQ(lattice_levenshtein_with_cutoff(left, right, 5, workspace).value(), 6u);
    EXPECT_EQ(lattice_damerau_with_cutoff(left, right, 5, workspace).value(), 6u);
    EXPECT_FALSE(lattice_within_levenshtein(left, right, kMax).value());
    EXPECT_FALSE(lattice_within_damerau(left, right, kMax).value());
  }
}

// Every operation refuses a pair beyond the state limit from the node
// counts alone, whatever the bound.
void expect_too_large(const PathLattice& left, const PathLattice& right, const std::string& text) {
  LatticeWorkspace workspace;
  StringWorkspace strings;
  const std::vector<Symbol> word = symbols("abc");
  EXPECT_EQ(message(lattice_levenshtein(left, right, workspace).error()), text);
  EXPECT_EQ(message(lattice_damerau(left, right, workspace).error()), text);
  EXPECT_EQ(message(lattice_levenshtein_bounded(left, right, 0, workspace).error()), text);
  EXPECT_EQ(message(lattice_damerau_bounded(left, right, 0, workspace).error()), text);
  EXPECT_EQ(message(lattice_within_levenshtein(left, right, 0).error()), text);
  EXPECT_EQ(message(lattice_within_damerau(left, right, 0).error()), text);
  EXPECT_EQ(message(lattice_levenshtein_with_cutoff(left, right, 0, workspace).error()), text);
  EXPECT_EQ(message(lattice_damerau_with_cutoff(left, right, std::nullopt, workspace).error()),
            text);
  EXPECT_EQ(message(combined_text_distance(word, word, left, right, 0, strings, workspace).error()),
            text);
  EXPECT_EQ(workspace.reserved_bytes(), 0u);  // refused before allocating
}

TEST(LatticeStateLimit, OneRowTooManyFails) {
  expect_too_large(chain(4000, 'a'), chain(3999, 'a'),
                   "distance matrix 4001x4000 exceeds the maximum of 16000000 cells");
}

TEST(LatticeStateLimit, OverflowingProductFails) {
  auto huge = PathLattice::from_arcs(std::uint64_t{1} << 33, 0, 0, {});
  ASSERT_TRUE(huge.ok());
  expect_too_large(huge.value(), huge.value(),
                   "distance matrix 8589934592x8589934592 exceeds the maximum of 16000000 cells");
}

TEST(LatticeStateLimit, ExactlyTheLimitIsAllowed) {
  const PathLattice left = chain(3999, 'a');
  const PathLattice right = chain(3999, 'a');
  LatticeWorkspace workspace;
  const BoundedDistance bounded = lattice_levenshtein_bounded(left, right, 0, workspace).value();
  EXPECT_TRUE(bounded.within);
  EXPECT_EQ(bounded.value, 0u);
  // Bound 0 on equal chains reaches only the diagonal: the search keeps
  // what it reached, not a slot for each of the 16000000 states.
  EXPECT_LT(workspace.reserved_bytes(), std::size_t{1} << 20);
  EXPECT_EQ(lattice_damerau(left, right, workspace).value(), 0u);
  EXPECT_TRUE(lattice_within_damerau(left, right, 0).value());
  EXPECT_FALSE(lattice_within_levenshtein(left, chain(3999, 'b'), 1).value());
}

// The same at the limit for a lattice that is not made of separate chains
// only, so that the node-pair searches themselves run over 16000000 states.
TEST(LatticeStateLimit, NodePairSearchesRunAtTheLimit) {
  const PathLattice chain_of_a = chain(3999, 'a');
  std::vector<LatticeArc> arcs(chain_of_a.arcs().begin(), chain_of_a.arcs().end());
  arcs.push_back({0, 2, 'a'});  // a second way to node 2: one 'a' fewer
  const PathLattice shortcut = PathLattice::from_arcs(4000, 0, 3999, std::move(arcs)).value();
  LatticeWorkspace workspace;
  const BoundedDistance bounded =
      lattice_levenshtein_bounded(shortcut, chain_of_a, 0, workspace).value();
  EXPECT_TRUE(bounded.within);
  EXPECT_EQ(bounded.value, 0u);
  EXPECT_LT(workspace.reserved_bytes(), std::size_t{1} << 20);
  EXPECT_EQ(lattice_damerau(shortcut, chain_of_a, workspace).value(), 0u);
  EXPECT_EQ(lattice_levenshtein(shortcut, chain(3998, 'a'), workspace).value(), 0u);
  EXPECT_EQ(lattice_levenshtein(shortcut, chain(3999, 'b'), workspace).value(), 3999u);
  EXPECT_FALSE(lattice_within_damerau(shortcut, chain(3999, 'b'), 3998).value());
}

TEST(CombinedTextDistance, TakesTheCloserOfSurfaceAndReadings) {
  StringWorkspace strings;
  LatticeWorkspace lattices;
  auto combined = [&](std::string_view left, std::string_view right, const PathList& left_readings,
                      const PathList& right_readings, std::optional<std::uint64_t> cutoff) {
    return combined_text_distance(symbols(left), symbols(right), lattice_of(left_readings),
                                  lattice_of(right_readings), cutoff, strings, lattices)
        .value();
  };
  // Surfaces one transposition apart, readings three edits apart.
  const PathList kyoto = paths({"kyouto"}), tokyo = paths({"toukyou"});
  EXPECT_EQ(combined("京東", "東京", kyoto, tokyo, std::nullopt), 1u);
  EXPECT_EQ(combined("京東", "東京", kyoto, tokyo, 1), 1u);
  EXPECT_EQ(combined("京東", "東京", kyoto, tokyo, 0), 1u);  // below both: cutoff + 1
  // Surfaces unrelated, one reading of each almost equal.
  const PathList left_readings = paths({"zzz", "kyo"}), right_readings = paths({"kyou"});
  EXPECT_EQ(combined("abc", "xyz", left_readings, right_readings, std::nullopt), 1u);
  EXPECT_EQ(combined("abc", "xyz", left_readings, right_readings, 2), 1u);
  EXPECT_EQ(combined("abc", "xyz", paths({"aaaa"}), paths({"bbbb"}), 2), 3u);
  EXPECT_EQ(combined("abc", "xyz", paths({"aaaa"}), paths({"bbbb"}), kMax), 3u);
}

// For any lists of alternatives, the lattice distances are the best pair's
// string distances, whichever builder made the lattices.
TEST(LatticeDistance, EqualsBestPairOfStringDistances) {
  std::mt19937 random(20240611);
  auto draw = [&random](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
  };
  auto random_list = [&]() {
    PathList list(draw(1, 3));
    const bool all_empty = draw(0, 5) == 0;
    for (auto& path : list) {
      if (all_empty) continue;
      path.resize(draw(1, 5));
      for (Symbol& s : path) s = 'a' + draw(0, 2);
    }
    return list;
  };
  auto compact = [](const PathList& list) {
    if (list[0].empty()) return PathLattice::empty_string();
    return PathLattice::from_paths_compact(list).value();
  };

  StringWorkspace strings;
  LatticeWorkspace workspace;  // shared on purpose: reuse must not leak state
  for (int round = 0; round < 400; ++round) {
    const PathList left = random_list(), right = random_list();
    std::uint64_t best_levenshtein = kMax, best_osa = kMax;
    for (const auto& l : left) {
      for (const auto& r : right) {
        best_levenshtein = std::min(best_levenshtein, levenshtein(l, r, strings));
        best_osa = std::min(best_osa, osa_distance(l, r, strings));
      }
    }
    SCOPED_TRACE("round " + std::to_string(round));
    expect_all_forms(lattice_of(left), lattice_of(right), best_levenshtein, best_osa, workspace);
    expect_all_forms(compact(left), compact(right), best_levenshtein, best_osa, workspace);
    const std::uint64_t cutoff = draw(0, 3);
    EXPECT_EQ(lattice_levenshtein_with_cutoff(lattice_of(left), compact(right), cutoff, workspace)
                  .value(),
              std::min(best_levenshtein, cutoff + 1));
    EXPECT_EQ(
        lattice_damerau_with_cutoff(compact(left), lattice_of(right), cutoff, workspace).value(),
        std::min(best_osa, cutoff + 1));
  }
}

}  // namespace
}  // namespace lumra
