// merge_equivalent_nodes keeps the strings of a lattice, so every distance
// to any other lattice, and takes away repeated nodes.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "core/lattice/merged_lattice.h"
#include "lattice_test_support.h"
#include "random_lattices.h"
#include "reference_lattice_distance.h"

namespace lumra {
namespace {

using testing::LatticeGenerator;
using testing::LatticeShape;
using reference::Metric;

// Every start-to-end string of a small lattice.
std::set<std::vector<Symbol>> strings_of(const PathLattice& lattice) {
  std::set<std::vector<Symbol>> out;
  std::vector<Symbol> prefix;
  auto walk = [&](auto&& self, std::uint64_t node) -> void {
    if (node == lattice.end()) out.insert(prefix);
    for (ArcIndex a : lattice.outgoing(node)) {
      prefix.push_back(lattice.arc(a).symbol);
      self(self, lattice.arc(a).dst);
      prefix.pop_back();
    }
  };
  walk(walk, lattice.start());
  return out;
}

// Many paths with a few shared beginnings and endings, as the readings of
// one text are.
PathLattice reading_like(LatticeGenerator& gen) {
  std::vector<std::vector<Symbol>> heads(1 + gen.below(3)), tails(1 + gen.below(3));
  for (auto* part : {&heads, &tails}) {
    for (auto& piece : *part) {
      piece.resize(gen.below(4));
      for (Symbol& s : piece) s = gen.symbol();
    }
  }
  std::vector<std::vector<Symbol>> paths;
  for (const auto& head : heads) {
    for (const auto& tail : tails) {
      std::vector<Symbol> path = head;
      path.push_back(gen.symbol());
      path.insert(path.end(), tail.begin(), tail.end());
      paths.push_back(path);
    }
  }
  return PathLattice::from_paths(paths).value();
}

TEST(MergedLatticeTest, SameStringsSameDistancesNoMoreNodes) {
  LatticeGenerator gen(20261209, 3);
  const LatticeShape shapes[] = {LatticeShape::kChain, LatticeShape::kChainWithExtraArcs,
                                 LatticeShape::kCompact, LatticeShape::kAny};
  for (int round = 0; round < 600; ++round) {
    const PathLattice left = round % 5 == 4 ? reading_like(gen) : gen.lattice(shapes[round % 4]);
    const PathLattice right = gen.lattice(shapes[(round / 4) % 4]);
    const PathLattice merged = merge_equivalent_nodes(left).value();
    SCOPED_TRACE(testing::dump(left) + " -> " + testing::dump(merged));
    ASSERT_LE(merged.node_count(), left.node_count());
    ASSERT_EQ(strings_of(merged), strings_of(left));
    EXPECT_EQ(reference::unbounded<Metric::kLevenshtein>(merged, right).value(),
              reference::unbounded<Metric::kLevenshtein>(left, right).value());
    EXPECT_EQ(reference::unbounded<Metric::kDamerau>(right, merged).value(),
              reference::unbounded<Metric::kDamerau>(right, left).value());
  }
}

TEST(MergedLatticeTest, RepeatedEndingsAndBeginningsBecomeOne) {
  // "xab", "yab", "xcd": the chains share "ab" after x or y and "x" before.
  const std::vector<std::vector<Symbol>> paths = {{'x', 'a', 'b'}, {'y', 'a', 'b'},
                                                  {'x', 'c', 'd'}, {'x', 'a', 'b'}};
  const PathLattice merged = merge_equivalent_nodes(PathLattice::from_paths(paths).value()).value();
  // start, before "ab", before "b", before "cd", before "d", end
  EXPECT_EQ(merged.node_count(), 6u);
  EXPECT_EQ(strings_of(merged).size(), 3u);
}

}  // namespace
}  // namespace lumra
