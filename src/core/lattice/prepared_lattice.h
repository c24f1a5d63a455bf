// PreparedLattice: one operand of the lattice searches, laid out for their
// inner loops once, however many searches it takes part in.
//
// Before it compares anything, a search reads each of its two lattices
// into the forms its loops walk: the paths of a lattice made of separate
// chains (chain_paths.h), each node's arcs side by side (node_steps.h),
// and, for a table fill, the plan of the right operand's columns
// (fill_columns.h) and of the storage of the left operand's rows
// (table_rows.h). A matrix compares every query with every choice, and
// that reading, repeated in every cell, was a tenth of its work. Laid out
// once per query and once per choice, it is done once per call; the
// searches then give exactly what they give on the lattices themselves
// (lattice_distance.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/lattice/chain_paths.h"
#include "core/lattice/internal/fill_columns.h"
#include "core/lattice/internal/node_steps.h"
#include "core/lattice/internal/table_rows.h"
#include "core/lattice/lattice.h"

namespace lumra {

enum class LatticeMetric { kLevenshtein, kDamerau };

// Which search an operand is laid out for: the metric, and whether it is
// the bounded search (a cutoff is given) or the table fill.
struct LatticeSearchUse {
  LatticeMetric metric;
  bool bounded;

  friend bool operator==(const LatticeSearchUse&, const LatticeSearchUse&) = default;
};

enum class LatticeSide { kLeft, kRight };

class PreparedLattice {
 public:
  PreparedLattice() = default;

  // `lattice` laid out as the `side` operand of the searches of `use`. It
  // refers to `lattice`, which must stay where it is while it is used. A
  // lattice of more nodes than any search takes is not laid out: every
  // search with it fails on the state limit before reading it.
  static PreparedLattice of(const PathLattice& lattice, LatticeSearchUse use, LatticeSide side);

  // The steps `of` takes, one at a time, for a search that lays out its
  // operands as it goes and stops as soon as it knows its way: point at
  // the lattice, read its chains, and (when both operands are not chains)
  // lay out its arcs.
  void reset(const PathLattice& lattice);
  bool read_chains();
  void lay_out(LatticeSearchUse use, LatticeSide side);

  const PathLattice& lattice() const { return *lattice_; }
  // Whether the lattice is made of separate chains; then chain_paths()
  // holds its paths.
  bool chains() const { return chains_; }
  const ChainPaths& chain_paths() const { return chain_paths_; }
  // Whether lay_out() was last done for this use and side.
  bool laid_out_for(LatticeSearchUse use, LatticeSide side) const {
    return laid_out_ && use_ == use && side_ == side;
  }
  // The arcs between start and end, into each node for a table fill, out
  // of it for a bounded search; and the columns of a right operand of a
  // table fill.
  const internal::NodeSteps& steps() const { return steps_; }
  const internal::FillColumns& columns() const { return columns_; }
  // The left operand of a table fill: where each of its rows is stored.
  const internal::RowSlots& row_slots() const { return row_slots_; }
  // The nodes between start and end, both included.
  std::uint32_t span() const {
    return static_cast<std::uint32_t>(lattice_->end() - lattice_->start() + 1);
  }

  std::size_t reserved_bytes() const {
    return chain_paths_.reserved_bytes() + steps_.reserved_bytes() + columns_.reserved_bytes() +
           row_slots_.reserved_bytes();
  }

 private:
  const PathLattice* lattice_ = nullptr;
  bool chains_ = false;
  bool laid_out_ = false;
  LatticeSearchUse use_{LatticeMetric::kLevenshtein, false};
  LatticeSide side_ = LatticeSide::kLeft;
  ChainPaths chain_paths_;
  internal::NodeSteps steps_;
  internal::FillColumns columns_;
  internal::RowSlots row_slots_;
};

}  // namespace lumra
