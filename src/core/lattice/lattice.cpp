#include "core/lattice/lattice.h"

#include <utility>

#include "core/base/interruption.h"

namespace lumra {

namespace {

using namespace lattice_errors;

// Fills a compressed adjacency: `offsets` gets one more entry than there are
// covered nodes, and `flat` lists arc indices grouped by node. Arcs are
// visited in index order, so each node's group is in increasing arc order.
template <class NodeOf>
void build_adjacency(const std::vector<LatticeArc>& arcs, std::size_t covered_nodes,
                     NodeOf node_of, std::vector<std::size_t>& offsets,
                     std::vector<ArcIndex>& flat) {
  offsets.assign(covered_nodes + 1, 0);
  for (const LatticeArc& arc : arcs) ++offsets[node_of(arc) + 1];
  for (std::size_t n = 0; n < covered_nodes; ++n) offsets[n + 1] += offsets[n];
  flat.resize(arcs.size());
  // `next` walks each node's slot; it starts as a copy of the group starts.
  std::vector<std::size_t> next(offsets.begin(), offsets.end() - 1);
  for (ArcIndex i = 0; i < arcs.size(); ++i) flat[next[node_of(arcs[i])]++] = i;
}

}  // namespace

Result<PathLattice, LatticeError> PathLattice::from_arcs(std::uint64_t node_count,
                                                         std::uint64_t start, std::uint64_t end,
                                                         std::vector<LatticeArc> arcs) {
  if (node_count == 0) return Fail(LatticeError(Empty{}));
  if (start > end || start >= node_count || end >= node_count) {
    return Fail(LatticeError(InvalidEndpoint{start, end}));
  }
  // Every arc is checked before anything is allocated, so a rejected arc
  // list costs nothing but its own release.
  std::uint64_t highest_node = 0;
  // Tens of millions of arcs take a noticeable while to check and index,
  // so the building polls the thread's interruption source and, stopped,
  // fails with Interrupted: callers check every result, even those whose
  // arcs cannot fail the checks.
  InterruptionPoll poll;
  constexpr std::size_t kArcsBetweenPolls = 4096;
  for (std::size_t i = 0; i < arcs.size(); ++i) {
    if (i % kArcsBetweenPolls == 0 && poll.stop_after(8 * kArcsBetweenPolls)) {
      return Fail(LatticeError(Interrupted{}));
    }
    const LatticeArc& arc = arcs[i];
    if (arc.src >= node_count) return Fail(LatticeError(InvalidNode{arc.src, node_count}));
    if (arc.dst >= node_count) return Fail(LatticeError(InvalidNode{arc.dst, node_count}));
    if (arc.src >= arc.dst) return Fail(LatticeError(InvalidArcOrder{arc.src, arc.dst}));
    if (arc.dst > highest_node) highest_node = arc.dst;
  }

  PathLattice lattice;
  lattice.node_count_ = node_count;
  lattice.start_ = start;
  lattice.end_ = end;
  lattice.arcs_ = std::move(arcs);
  // The adjacency covers nodes up to the highest one an arc touches; nodes
  // above it have no arcs. This keeps memory proportional to the arcs even
  // when a producer declares many trailing isolated nodes.
  if (!lattice.arcs_.empty()) {
    const std::size_t covered = static_cast<std::size_t>(highest_node) + 1;
    build_adjacency(
        lattice.arcs_, covered, [](const LatticeArc& a) { return a.dst; },
        lattice.incoming_offsets_, lattice.incoming_arcs_);
    build_adjacency(
        lattice.arcs_, covered, [](const LatticeArc& a) { return a.src; },
        lattice.outgoing_offsets_, lattice.outgoing_arcs_);
  }
  return lattice;
}

PathLattice PathLattice::empty_string() { return PathLattice(); }

}  // namespace lumra
