// The path metrics compare the distinct paths of two lists directly and
// never build the lists' chain lattices. The oracle is the road they
// replace: both chain lattices built with every repeat, the straightforward
// lattice searches over them (reference_lattice_distance.h), and every pair
// of paths scored for the normalized metrics.
#include "core/lattice/path_metrics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/lattice/distinct_paths.h"
#include "core/lattice/path_list.h"
#include "core/strings/similarity.h"
#include "lattice_test_support.h"
#include "random_lattices.h"
#include "reference_lattice_distance.h"

namespace lumra {
namespace {

using reference::Metric;
using testing::LatticeGenerator;
using testing::paths;

using PathList = std::vector<std::vector<Symbol>>;

// 1..12 paths drawn from a pool of 1..3, so most lists repeat a path, and
// now and then a list of empty paths only.
PathList repeating_list(LatticeGenerator& generator) {
  const PathList pool = generator.path_list(3, 5);
  PathList list(1 + generator.below(12));
  for (auto& path : list) path = pool[generator.below(pool.size())];
  return list;
}

std::uint64_t with_cutoff(std::uint64_t distance, std::uint64_t cutoff) {
  return distance <= cutoff ? distance : cutoff + 1;
}

TEST(PathMetrics, RepeatedPathsGiveWhatTheChainLatticesGive) {
  LatticeGenerator generator(/*seed=*/9, /*alphabet=*/3);
  StringWorkspace workspace;
  for (int round = 0; round < 400; ++round) {
    const PathList left = repeating_list(generator);
    const PathList right = repeating_list(generator);
    const PathLattice left_lattice = path_list_lattice(left).value();
    const PathLattice right_lattice = path_list_lattice(right).value();
    ASSERT_EQ(path_list_node_count(left), left_lattice.node_count());
    ASSERT_EQ(path_list_node_count(right), right_lattice.node_count());

    const std::uint64_t lev =
        reference::unbounded<Metric::kLevenshtein>(left_lattice, right_lattice).value();
    const std::uint64_t dam =
        reference::unbounded<Metric::kDamerau>(left_lattice, right_lattice).value();
    ASSERT_EQ(distance_paths(left, right, std::nullopt).value(), lev);
    ASSERT_EQ(damerau_distance_paths(left, right, std::nullopt).value(), dam);
    for (std::uint64_t k = 0; k <= lev + 1; ++k) {
      EXPECT_EQ(distance_paths(left, right, k).value(), with_cutoff(lev, k));
      EXPECT_EQ(damerau_distance_paths(left, right, k).value(), with_cutoff(dam, k));
      EXPECT_EQ(within_distance_paths(left, right, k).value(), lev <= k);
      EXPECT_EQ(within_damerau_distance_paths(left, right, k).value(), dam <= k);
    }

    double best = 0.0;
    for (const auto& l : left) {
      for (const auto& r : right) best = std::max(best, string_similarity(l, r, workspace));
    }
    EXPECT_EQ(normalized_similarity_paths(left, right, std::nullopt).value(), best);
    EXPECT_EQ(normalized_distance_paths(left, right, std::nullopt).value(), 1.0 - best);
  }
}

TEST(PathMetrics, RepeatsCountTowardsTheStateLimit) {
  // 8002 x 2002 chain nodes, though each list holds a single distinct path.
  const PathList left(4000, testing::symbols("abc"));
  const PathList right(1000, testing::symbols("xyz"));
  const auto distance = distance_paths(left, right, 1);
  ASSERT_FALSE(distance.ok());
  EXPECT_EQ(message(distance.error()),
            "distance matrix 8002x2002 exceeds the maximum of 16000000 cells");
}

TEST(DistinctPaths, KeepsEachFirstOccurrenceInListOrder) {
  const PathList list = paths({"ab", "a", "ab", "ab", "b", "a", "ba", "", "ab"});
  const std::vector<Symbols> distinct = distinct_paths(list);
  const std::size_t firsts[] = {0, 1, 4, 6, 7};
  ASSERT_EQ(distinct.size(), std::size(firsts));
  for (std::size_t i = 0; i < distinct.size(); ++i) {
    EXPECT_EQ(distinct[i].data(), list[firsts[i]].data()) << i;
    EXPECT_EQ(distinct[i].size(), list[firsts[i]].size()) << i;
  }
  EXPECT_TRUE(distinct_paths(PathList{}).empty());
}

}  // namespace
}  // namespace lumra
