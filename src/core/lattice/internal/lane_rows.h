// Levenshtein rows of the unbounded lattice table filled a lane of
// columns at a time.
//
// Internal to lattice_table_fill.cpp. A row's cell is the cheapest of two
// kinds of ways in: down from the rows of the arcs into its left node
// (deletion, match or substitution), and along the row from the cells of
// the arcs into its right node (insertion). Only the second kind depends
// on other cells of the same row, so the first is computed apart, for
// every column and every arc into the row, kRowLanes columns at once:
//
//   1. every column as if it were a follower (its one arc in coming from
//      the column just before, fill_columns.h), which most columns of a
//      reading lattice are: the cell above it, the one before that, and
//      the symbols of a lane of columns against the arc's;
//   2. the other columns, taken one by one in column order from the flat
//      list FillColumns::heads, over again the general way, their
//      insertions with them, since step 1 took a wrong source for them
//      (all but the start column, which step 1 gets right);
//   3. after each of them, the insertions along its run of followers.
// The same minimum of the same terms as the rows of lattice_fill_rows.h,
// which stay the reference (and fill Damerau's rows, narrow rows and the
// rows of more arcs in than kOnePassArcs): step 1 takes kRowLanes cells in
// a few vector operations, and steps 2 and 3 read no column flags and no
// per-node arc offsets.
//
// Rows are stored as TableRows lays them out with lanes: one cell before
// column 0 and the columns up to whole lanes, whose values mean nothing.
// The cell before column 0 holds column 0's plus one: read by lane 0 as
// the way across into the start column, which has no arc in, it is never
// cheaper than the way down beside it, so step 1 leaves column 0 final.
// Both are written before any row below reads them, so nothing
// uninitialised is ever read.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/base/interruption.h"
#include "core/base/symbols.h"
#include "core/lattice/internal/fill_cells.h"
#include "core/lattice/internal/fill_columns.h"
#include "core/lattice/internal/lattice_fill_rows.h"
#include "core/lattice/internal/node_steps.h"
#include "core/lattice/internal/table_rows.h"

namespace lumra::internal::table_fill {

// Step 1 for the `arcs` arcs of symbols `x_symbols` from the rows
// `above`, over `width` cells (whole lanes): each lane's way down as if its
// column's arc came from the column before, the cheapest over the arcs,
// written into `cell`. Built for the baseline instruction set and for the
// 256-bit one, taken where the processor has it. lane_rows() runs the same
// loop inside its own build of each instruction set; this entry takes it
// alone, as the tests do.
void lanes_from_above(const std::uint32_t* const* above, const Symbol* x_symbols,
                      std::size_t arcs, const Symbol* column_symbols, std::uint32_t width,
                      std::uint32_t* cell);
// The baseline build alone, which the tests compare with the other.
void lanes_from_above_baseline(const std::uint32_t* const* above, const Symbol* x_symbols,
                               std::size_t arcs, const Symbol* column_symbols,
                               std::uint32_t width, std::uint32_t* cell);

// The rows of the arcs into a row's node, looked up once per row.
struct ArcsAbove {
  std::size_t count;
  const std::uint32_t* above[kOnePassArcs];
  Symbol symbol[kOnePassArcs];
};

// Along a run of followers, cells [from, to): each one's insertion from
// the cell before it, `left` the cell just before `from`. Taken four, two
// and one at a time, so that a short run pays no count of its own.
inline void run_of_followers(std::uint32_t* from, std::uint32_t* const to, std::uint32_t left) {
#pragma GCC unroll 1
  for (; to - from >= 4; from += 4) {
    left = std::min(from[0], left + 1);
    from[0] = left;
    left = std::min(from[1], left + 1);
    from[1] = left;
    left = std::min(from[2], left + 1);
    from[2] = left;
    left = std::min(from[3], left + 1);
    from[3] = left;
  }
  if (to - from >= 2) {
    left = std::min(from[0], left + 1);
    from[0] = left;
    left = std::min(from[1], left + 1);
    from[1] = left;
    from += 2;
  }
  if (from != to) from[0] = std::min(from[0], left + 1);
}

// Steps 2 and 3 for a row of `kArcs` arcs in: each column taken one by
// one, every way in over again, then the run of followers after it. The
// arcs' rows and symbols stay in registers over the whole row.
template <std::size_t kArcs>
void heads_and_runs(const FillColumns& columns, const NodeSteps& into_right,
                    const ArcsAbove& arcs, std::uint32_t* cell) {
  const Step* const steps = into_right.all();
  const std::uint32_t* above[kArcs];
  Symbol x[kArcs];
  for (std::size_t k = 0; k < kArcs; ++k) {
    above[k] = arcs.above[k];
    x[k] = arcs.symbol[k];
  }
  // The start column, the first head, has no arc in: step 1 made it
  // final, and its run goes on from it.
  run_of_followers(cell + 1, cell + columns.heads.front().run_end, cell[0]);
  for (const auto [c, run_end, first, last] :
       std::span<const FillColumns::Head>(columns.heads).subspan(1)) {
    // The insertions and the ways down over the column's arcs in one
    // pass.
    std::uint32_t best = kUnreached;
    std::uint32_t way[kArcs];
    for (std::size_t k = 0; k < kArcs; ++k) way[k] = above[k][c] + 1;
    for (std::uint32_t s = first; s < last; ++s) {
      const Step y = steps[s];
      best = std::min(best, cell[y.node] + 1);
      for (std::size_t k = 0; k < kArcs; ++k) {
        way[k] = std::min(way[k], above[k][y.node] + (x[k] != y.symbol ? 1u : 0u));
      }
    }
    for (std::size_t k = 0; k < kArcs; ++k) best = std::min(best, way[k]);
    cell[c] = best;
    run_of_followers(cell + c + 1, cell + run_end, best);
  }
}

// Any row the lanes do not take: with no arc in (the start row, or a node
// the start does not reach within the ranges), or with more arcs in than
// are looked up at once. Filled as lattice_fill_rows.h fills it, with the
// lanes' extra cells written too.
inline void lane_row_by_arcs(const Grid& grid, std::uint32_t* cell, std::uint32_t r) {
  const std::uint32_t width = lane_width(static_cast<std::uint32_t>(grid.cols));
  std::fill(cell, cell + width, kUnreached);
  any_row_by_arcs<false>(grid, cell, r);
  cell[-1] = cell[0] + 1;
}

// Every row of a table laid out with lanes, in row order, the instruction
// set chosen once for them all; false when interrupted (interruption.h),
// the table then meaning nothing.
bool lane_rows(const Grid& grid, std::uint32_t rows, InterruptionPoll& poll);
// The baseline build alone, which the tests compare with the other.
bool lane_rows_baseline(const Grid& grid, std::uint32_t rows, InterruptionPoll& poll);

}  // namespace lumra::internal::table_fill
