#include "core/lattice/internal/node_steps.h"

namespace lumra::internal {

void NodeSteps::assign(const PathLattice& lattice, std::uint64_t first, std::uint64_t last,
                       Direction direction) {
  const bool incoming = direction == Direction::kIncoming;
  const std::size_t nodes = static_cast<std::size_t>(last - first) + 1;
  offsets_.resize(nodes + 1);
  steps_.clear();
  for (std::size_t n = 0; n < nodes; ++n) {
    offsets_[n] = steps_.size();
    const std::uint64_t node = first + n;
    for (ArcIndex index : incoming ? lattice.incoming(node) : lattice.outgoing(node)) {
      const LatticeArc& arc = lattice.arc(index);
      const std::uint64_t other = incoming ? arc.src : arc.dst;
      // src < node <= last and dst > node >= first always hold, so only the
      // far side of the stretch needs a test.
      if (incoming ? other < first : other > last) continue;
      steps_.push_back({static_cast<std::uint32_t>(other - first), arc.symbol});
    }
  }
  offsets_[nodes] = steps_.size();
}

}  // namespace lumra::internal
