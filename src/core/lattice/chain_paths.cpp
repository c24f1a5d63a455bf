#include "core/lattice/chain_paths.h"

#include <cstdint>
#include <optional>

namespace lumra {

namespace {

// The one arc of `arcs` that stays within first..last, or nothing when
// there are none or several.
template <class Within>
std::optional<LatticeArc> only_arc(const PathLattice& lattice, std::span<const ArcIndex> arcs,
                                   Within within) {
  std::optional<LatticeArc> found;
  for (ArcIndex index : arcs) {
    const LatticeArc& arc = lattice.arc(index);
    if (!within(arc)) continue;
    if (found) return std::nullopt;
    found = arc;
  }
  return found;
}

}  // namespace

bool ChainPaths::assign(const PathLattice& lattice) {
  const std::uint64_t first = lattice.start();
  const std::uint64_t last = lattice.end();
  offsets_.assign(1, 0);
  symbols_.clear();
  if (first == last) {
    offsets_.push_back(0);  // the one-node range spells the empty string
    return true;
  }
  auto arc_in = [first](const LatticeArc& arc) { return arc.src >= first; };
  auto arc_out = [last](const LatticeArc& arc) { return arc.dst <= last; };
  // Walks every path from the start, checking each node on the way. A
  // node reached twice has two arcs in and fails its check, so when the
  // walks have passed every inner node, each lies on exactly one path.
  std::uint64_t passed = 0;
  for (ArcIndex index : lattice.outgoing(first)) {
    LatticeArc arc = lattice.arc(index);
    if (!arc_out(arc)) continue;
    symbols_.push_back(arc.symbol);
    while (arc.dst != last) {
      const std::uint64_t node = arc.dst;
      ++passed;
      const auto next = only_arc(lattice, lattice.outgoing(node), arc_out);
      if (!next || !only_arc(lattice, lattice.incoming(node), arc_in)) return false;
      arc = *next;
      symbols_.push_back(arc.symbol);
    }
    offsets_.push_back(symbols_.size());
  }
  return passed == last - first - 1 && size() > 0;
}

}  // namespace lumra
