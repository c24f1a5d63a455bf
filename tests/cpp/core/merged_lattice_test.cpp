// merge_equivalent_nodes keeps the strings of a lattice, so every distance
// to any other lattice, and takes away repeated nodes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
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

// A lattice with the strings of `lattice` whose endings are merged: its
// useful nodes, those with the same strings after them made one, found
// the plain way (signatures in a map) and numbered from the end down.
struct Parts {
  std::uint64_t nodes, start, end;
  std::vector<LatticeArc> arcs;
};
Parts endings_merged(const PathLattice& lattice) {
  const std::uint64_t n = lattice.node_count();
  std::vector<char> from_start(n, 0), to_end(n, 0);
  from_start[lattice.start()] = 1;
  for (std::uint64_t v = 0; v < n; ++v) {
    for (ArcIndex a : lattice.outgoing(v)) from_start[lattice.arc(a).dst] |= from_start[v];
  }
  to_end[lattice.end()] = 1;
  for (std::uint64_t v = n; v-- > 0;) {
    for (ArcIndex a : lattice.outgoing(v)) to_end[v] |= to_end[lattice.arc(a).dst];
  }
  std::map<std::vector<std::uint64_t>, std::uint64_t> classes;
  std::vector<std::uint64_t> class_of(n, 0);
  std::vector<std::vector<std::uint64_t>> signatures;
  for (std::uint64_t v = n; v-- > 0;) {
    if (!from_start[v] || !to_end[v]) continue;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> out;
    for (ArcIndex a : lattice.outgoing(v)) {
      const LatticeArc& arc = lattice.arc(a);
      if (from_start[arc.dst] && to_end[arc.dst]) out.emplace_back(arc.symbol, class_of[arc.dst]);
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    std::vector<std::uint64_t> signature = {v == lattice.end() ? 1u : 0u};
    for (const auto& [symbol, cls] : out) signature.insert(signature.end(), {symbol, cls});
    const auto [at, fresh] = classes.emplace(signature, classes.size());
    if (fresh) signatures.push_back(signature);
    class_of[v] = at->second;
  }
  const std::uint64_t count = classes.size();
  Parts parts{count, count - 1 - class_of[lattice.start()], count - 1 - class_of[lattice.end()], {}};
  for (std::uint64_t cls = 0; cls < count; ++cls) {
    for (std::size_t w = 1; w < signatures[cls].size(); w += 2) {
      parts.arcs.push_back({count - 1 - cls, count - 1 - signatures[cls][w + 1],
                            static_cast<Symbol>(signatures[cls][w])});
    }
  }
  return parts;
}

// merge_equivalent_beginnings on a lattice whose endings are merged is
// merge_equivalent_nodes, arc for arc, whatever the order of the arcs.
TEST(MergedLatticeTest, BeginningsAloneWhenEndingsAreMerged) {
  LatticeGenerator gen(20261210, 3);
  const LatticeShape shapes[] = {LatticeShape::kChain, LatticeShape::kChainWithExtraArcs,
                                 LatticeShape::kCompact, LatticeShape::kAny};
  for (int round = 0; round < 600; ++round) {
    const PathLattice lattice = round % 5 == 4 ? reading_like(gen) : gen.lattice(shapes[round % 4]);
    const PathLattice expected = merge_equivalent_nodes(lattice).value();
    if (strings_of(lattice).empty()) continue;  // no useful node to keep
    Parts parts = endings_merged(lattice);
    SCOPED_TRACE(testing::dump(lattice));
    const PathLattice whole =
        merge_equivalent_nodes(
            PathLattice::from_arcs(parts.nodes, parts.start, parts.end, parts.arcs).value())
            .value();
    for (std::size_t k = parts.arcs.size(); k > 1; --k) std::swap(parts.arcs[k - 1], parts.arcs[gen.below(k)]);
    const PathLattice got = merge_equivalent_beginnings(parts.nodes, parts.start, parts.end,
                                                        std::move(parts.arcs)).value();
    ASSERT_EQ(testing::dump(got), testing::dump(whole));
    ASSERT_EQ(strings_of(got), strings_of(expected));
  }
}

}  // namespace
}  // namespace lumra
