#include "core/lattice/internal/lattice_table_fill.h"

#include <algorithm>
#include <cstddef>
#include <span>

#include "core/base/interruption.h"
#include "core/lattice/lattice_distance.h"
#include "core/lattice/lattice_state_limit.h"
#include "core/lattice/internal/lane_rows.h"
#include "core/lattice/internal/lattice_fill_rows.h"
#include "core/lattice/internal/node_steps.h"

namespace lumra::internal {

namespace {

using table_fill::Grid;
using table_fill::SingleArcRow;
using table_fill::kUnreached;

// Pull-style fill over the pairs of nodes between the two start..end
// ranges, row by row (left node by left node). Node numbers are a
// topological order, so each cell reads only final cells. States outside
// the ranges are never reached from the start pair within them and never
// lead to the end pair, so they have no cells, and the arcs that touch them
// were dropped with the steps.
template <bool kDamerau>
std::uint64_t fill(const PreparedLattice& left, const PreparedLattice& right,
                   LatticeWorkspace& workspace) {
  const NodeSteps& into_left = left.steps();
  const NodeSteps& into_right = right.steps();
  // Both fit in 32 bits: their product is within the state limit.
  const std::uint32_t rows = left.span();
  const std::uint32_t cols = right.span();
  // Levenshtein rows of a lane or more are filled in lanes (lane_rows.h);
  // narrower ones would pay for the lanes' extra cells more than they gain.
  // The lanes' extra cells never take the table beyond what the state
  // limit lets an unpadded one take: a table that large is filled row by
  // row the narrower way below.
  const bool lanes = !kDamerau && right.columns().lanes_planned &&
                     TableRows::cells(left.row_slots(), cols, true) <= kMaxLatticeStates;
  TableRows& table = workspace.table;
  table.use(left.row_slots(), cols, lanes);
  const Grid grid{into_left, into_right, table, cols, right.columns()};

  // Most rows of a chain lattice have one arc in, and so does its source;
  // and most follow the row just before.
  auto single_arc = [&](std::uint32_t r) {
    const auto xs = into_left.of(r);
    return xs.size() == 1 && (!kDamerau || into_left.of(xs[0].node).size() <= 1);
  };
  // Interrupted (interruption.h), the fill ends and the distance means
  // nothing.
  InterruptionPoll poll;
  auto end_distance = [&grid, rows, cols]() -> std::uint64_t {
    const std::uint32_t end = grid.row(rows - 1)[cols - 1];
    return end >= kUnreached ? kLatticeInfinity : end;
  };
  if (lanes) return table_fill::lane_rows(grid, rows, poll) ? end_distance() : kLatticeInfinity;
  for (std::uint32_t r = 0; r < rows;) {
    if (poll.stop_after(2 * std::uint64_t{cols})) return kLatticeInfinity;
    std::uint32_t* const cell = table.row(r);
    if (!single_arc(r)) {
      table_fill::any_row<kDamerau>(grid, cell, r);
      r += 1;
      continue;
    }
    const auto first = SingleArcRow::make<kDamerau>(grid, r, into_left.of(r)[0]);
    const auto next = r + 1 < rows ? into_left.of(r + 1) : std::span<const Step>();
    if (next.size() == 1 && next[0].node == r) {
      // The next row's arc source is this row, whose node has one arc in.
      table_fill::chained_rows<kDamerau>(grid, first,
                                         SingleArcRow::make<kDamerau>(grid, r + 1, next[0]));
      r += 2;
    } else {
      table_fill::single_arc_row<kDamerau>(grid, first);
      r += 1;
    }
  }
  return end_distance();
}

}  // namespace

std::uint64_t levenshtein_table_fill(const PreparedLattice& left, const PreparedLattice& right,
                                     LatticeWorkspace& workspace) {
  return fill<false>(left, right, workspace);
}

std::uint64_t damerau_table_fill(const PreparedLattice& left, const PreparedLattice& right,
                                 LatticeWorkspace& workspace) {
  return fill<true>(left, right, workspace);
}

}  // namespace lumra::internal
