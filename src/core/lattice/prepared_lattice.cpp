#include "core/lattice/prepared_lattice.h"

#include "core/lattice/lattice_state_limit.h"

namespace lumra {

PreparedLattice PreparedLattice::of(const PathLattice& lattice, LatticeSearchUse use,
                                    LatticeSide side) {
  PreparedLattice prepared;
  prepared.reset(lattice);
  // The other operand has a node at least, so a lattice beyond the state
  // limit on its own never reaches a search; its node numbers need not
  // even fit the layout.
  if (lattice.node_count() > kMaxLatticeStates) return prepared;
  prepared.read_chains();
  prepared.lay_out(use, side);
  return prepared;
}

void PreparedLattice::reset(const PathLattice& lattice) {
  lattice_ = &lattice;
  chains_ = false;
  laid_out_ = false;
}

bool PreparedLattice::read_chains() {
  chains_ = chain_paths_.assign(*lattice_);
  return chains_;
}

void PreparedLattice::lay_out(LatticeSearchUse use, LatticeSide side) {
  const auto direction = use.bounded ? internal::NodeSteps::Direction::kOutgoing
                                     : internal::NodeSteps::Direction::kIncoming;
  steps_.assign(*lattice_, lattice_->start(), lattice_->end(), direction);
  const bool damerau = use.metric == LatticeMetric::kDamerau;
  if (!use.bounded && side == LatticeSide::kRight) columns_.plan(steps_, span(), damerau);
  if (!use.bounded && side == LatticeSide::kLeft) row_slots_.plan(steps_, span(), damerau);
  laid_out_ = true;
  use_ = use;
  side_ = side;
}

}  // namespace lumra
