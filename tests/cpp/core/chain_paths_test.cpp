#include "core/lattice/chain_paths.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/base/utf8.h"
#include "lattice_test_support.h"

namespace lumra {
namespace {

using testing::paths;
using Paths = std::optional<std::vector<std::string>>;

struct ShapeCase {
  std::string name;
  Result<PathLattice, LatticeError> lattice;
  Paths expected;  // nothing: not a lattice of separate chains
};

void PrintTo(const ShapeCase& c, std::ostream* out) { *out << c.name; }

Paths read_back(const PathLattice& lattice) {
  ChainPaths chains;
  if (!chains.assign(lattice)) return std::nullopt;
  std::vector<std::string> out;
  for (std::size_t p = 0; p < chains.size(); ++p) out.push_back(encode_utf8(chains[p]));
  return out;
}

class ChainPathsShapes : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(ChainPathsShapes, ReadsBackThePathsOfSeparateChainsOnly) {
  ASSERT_TRUE(GetParam().lattice.ok());
  EXPECT_EQ(read_back(GetParam().lattice.value()), GetParam().expected);
}

using Arcs = std::vector<LatticeArc>;

INSTANTIATE_TEST_SUITE_P(
    Lattices, ChainPathsShapes,
    ::testing::Values(
        ShapeCase{"ChainBuilderKeepsListOrder", PathLattice::from_paths(paths({"ab", "cb", "ab"})),
                  {{"ab", "cb", "ab"}}},
        ShapeCase{"OneSymbol", PathLattice::from_paths(paths({"x"})), {{"x"}}},
        ShapeCase{"EmptyString", PathLattice::empty_string(), {{""}}},
        // Shared suffix: node 1 has two arcs in.
        ShapeCase{"CompactSharedEnding", PathLattice::from_paths_compact(paths({"ab", "cb"})),
                  std::nullopt},
        // Nothing shared: the compact lattice is separate chains too.
        ShapeCase{"CompactNothingShared", PathLattice::from_paths_compact(paths({"ab", "cd"})),
                  {{"ab", "cd"}}},
        ShapeCase{"ArcsOutsideTheRangeIgnored",
                  PathLattice::from_arcs(5, 1, 3, Arcs{{0, 1, 'z'}, {1, 2, 'a'}, {2, 3, 'b'},
                                                       {3, 4, 'z'}, {2, 4, 'y'}, {0, 2, 'w'}}),
                  {{"ab"}}},
        ShapeCase{"ParallelDirectArcs",
                  PathLattice::from_arcs(2, 0, 1, Arcs{{0, 1, 'a'}, {0, 1, 'a'}}), {{"a", "a"}}},
        ShapeCase{"EndUnreachable", PathLattice::from_arcs(3, 0, 2, Arcs{{0, 1, 'a'}}),
                  std::nullopt},
        ShapeCase{"NoPathAtAll", PathLattice::from_arcs(2, 0, 1, Arcs{}), std::nullopt},
        ShapeCase{"InnerNodeOnNoPath", PathLattice::from_arcs(3, 0, 2, Arcs{{0, 2, 'a'}}),
                  std::nullopt},
        ShapeCase{"InnerNodeEnteredTwice",
                  PathLattice::from_arcs(4, 0, 3, Arcs{{0, 1, 'a'}, {0, 2, 'b'}, {1, 2, 'c'},
                                                       {2, 3, 'd'}}),
                  std::nullopt},
        ShapeCase{"InnerNodeLeftTwice",
                  PathLattice::from_arcs(4, 0, 3, Arcs{{0, 1, 'a'}, {1, 2, 'b'}, {1, 3, 'c'},
                                                       {2, 3, 'd'}}),
                  std::nullopt}),
    [](const auto& info) { return info.param.name; });

TEST(ChainPaths, ReusedStorageForgetsTheLastLattice) {
  ChainPaths chains;
  ASSERT_TRUE(chains.assign(PathLattice::from_paths(paths({"abc", "de", "f"})).value()));
  EXPECT_EQ(chains.size(), 3u);
  ASSERT_FALSE(chains.assign(PathLattice::from_paths_compact(paths({"ab", "cb"})).value()));
  ASSERT_TRUE(chains.assign(PathLattice::from_paths(paths({"g"})).value()));
  ASSERT_EQ(chains.size(), 1u);
  EXPECT_EQ(encode_utf8(chains[0]), "g");
}

}  // namespace
}  // namespace lumra
