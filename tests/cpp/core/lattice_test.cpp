#include "core/lattice/lattice.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "lattice_test_support.h"

namespace lumra {
namespace {

using testing::adjacency_consistent;
using testing::dump;

struct RejectedCase {
  std::string name;
  std::uint64_t node_count, start, end;
  std::vector<LatticeArc> arcs;
  std::size_t variant;  // index in LatticeError
  std::string message;
};

class FromArcsRejects : public ::testing::TestWithParam<RejectedCase> {};

TEST_P(FromArcsRejects, WithTheFirstErrorInCheckOrder) {
  const RejectedCase& c = GetParam();
  auto built = PathLattice::from_arcs(c.node_count, c.start, c.end, c.arcs);
  ASSERT_FALSE(built.ok());
  EXPECT_EQ(built.error().index(), c.variant);
  EXPECT_EQ(message(built.error()), c.message);
}

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

INSTANTIATE_TEST_SUITE_P(
    Cases, FromArcsRejects,
    ::testing::Values(
        // No node beats every other problem.
        RejectedCase{"NoNodes", 0, 5, 1, {{3, 1, 'a'}}, 0,
                     "lattice must contain at least one node"},
        RejectedCase{"StartAfterEnd", 2, 1, 0, {}, 4, "invalid endpoints start=1, end=0"},
        RejectedCase{"EndOutside", 3, 0, 3, {}, 4, "invalid endpoints start=0, end=3"},
        RejectedCase{"BothOutside", 3, kMax, kMax, {}, 4,
                     "invalid endpoints start=18446744073709551615, end=18446744073709551615"},
        // Endpoints are judged before any arc.
        RejectedCase{"EndpointsBeforeArcs", 2, 1, 0, {{0, 9, 'a'}}, 4,
                     "invalid endpoints start=1, end=0"},
        RejectedCase{"DestinationOutside", 3, 0, 2, {{0, 5, 'a'}}, 2, "node 5 is outside 0..3"},
        // The source is tested before the destination.
        RejectedCase{"SourceOutside", 3, 0, 2, {{7, 9, 'a'}}, 2, "node 7 is outside 0..3"},
        // Both ranges are tested before the order.
        RejectedCase{"BackwardAndOutside", 3, 0, 2, {{9, 1, 'a'}}, 2, "node 9 is outside 0..3"},
        RejectedCase{"Backward", 3, 0, 2, {{2, 1, 'a'}}, 3,
                     "arc 2->1 violates topological node order"},
        RejectedCase{"Loop", 3, 0, 2, {{1, 1, 'a'}}, 3, "arc 1->1 violates topological node order"},
        // The first offending arc in array order decides.
        RejectedCase{"ArrayOrderDecides", 3, 0, 2, {{0, 1, 'a'}, {2, 1, 'b'}, {0, 9, 'c'}}, 3,
                     "arc 2->1 violates topological node order"}),
    [](const auto& info) { return info.param.name; });

TEST(FromArcs, OneNodeWithoutArcsIsTheEmptyString) {
  auto built = PathLattice::from_arcs(1, 0, 0, {});
  ASSERT_TRUE(built.ok());
  EXPECT_EQ(dump(built.value()), "1 0 0:");
  EXPECT_TRUE(built.value().incoming(0).empty());
  EXPECT_TRUE(built.value().outgoing(0).empty());
  EXPECT_EQ(dump(PathLattice::empty_string()), "1 0 0:");
}

TEST(FromArcs, KeepsArcOrderAndListsParallelArcsInArcOrder) {
  auto built =
      PathLattice::from_arcs(3, 0, 2, {{1, 2, 'b'}, {0, 1, 'a'}, {0, 1, 'a'}, {0, 2, 'c'}});
  ASSERT_TRUE(built.ok());
  const PathLattice& lattice = built.value();
  EXPECT_EQ(dump(lattice), "3 0 2: 1>2 b 0>1 a 0>1 a 0>2 c");
  EXPECT_EQ(std::vector<ArcIndex>(lattice.outgoing(0).begin(), lattice.outgoing(0).end()),
            (std::vector<ArcIndex>{1, 2, 3}));
  EXPECT_EQ(std::vector<ArcIndex>(lattice.incoming(1).begin(), lattice.incoming(1).end()),
            (std::vector<ArcIndex>{1, 2}));
  EXPECT_EQ(std::vector<ArcIndex>(lattice.incoming(2).begin(), lattice.incoming(2).end()),
            (std::vector<ArcIndex>{0, 3}));
  EXPECT_TRUE(adjacency_consistent(lattice));
}

TEST(FromArcs, AcceptsUnreachableNodesAndInnerEndpoints) {
  // Node 3 is never reached from the start; start and end have arcs on
  // both sides; nodes 5 and 6 have no arcs at all.
  auto built = PathLattice::from_arcs(7, 1, 4, {{0, 1, 'a'}, {1, 2, 'b'}, {3, 4, 'c'},
                                                {2, 4, 'd'}, {4, 5, 'e'}});
  ASSERT_TRUE(built.ok());
  EXPECT_TRUE(adjacency_consistent(built.value()));
  EXPECT_TRUE(built.value().outgoing(6).empty());
}

TEST(FromArcs, ManyTrailingIsolatedNodesCostNothing) {
  // A declared node count far beyond what memory could hold per node.
  auto built = PathLattice::from_arcs(kMax, 0, kMax - 1, {{0, 1, 'a'}});
  ASSERT_TRUE(built.ok());
  EXPECT_EQ(built.value().node_count(), kMax);
  EXPECT_EQ(built.value().incoming(1).size(), 1u);
  EXPECT_TRUE(built.value().incoming(kMax - 1).empty());
  EXPECT_TRUE(built.value().outgoing(kMax - 1).empty());
}

}  // namespace
}  // namespace lumra
