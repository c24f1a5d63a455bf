// The cells of the unbounded lattice table: what a cell costs from the
// row above it and from the cells before it in its own row.
//
// Internal to the table fill (lattice_table_fill.cpp, lattice_fill_rows.h).
// Cells hold 32-bit distances: every state of a table within the state
// limit has a distance below 2^24, and the narrower cells keep more of the
// table in cache.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/lattice/internal/fill_columns.h"
#include "core/lattice/internal/node_steps.h"
#include "core/base/symbols.h"
#include "core/lattice/internal/table_rows.h"

namespace lumra::internal::table_fill {

// Stands for "no way in" inside the table. Every real distance is below
// the sum of the two node counts, at most 16000001, far below it. A cell no
// path reaches holds at least this value: the moves only add to it, at most
// once per node on either side, so it never comes near 2^32 and the fill
// needs no saturating arithmetic. Anything at or above it means unreached.
inline constexpr std::uint32_t kUnreached = 0x3FFFFFFF;

// The rows of the table and the arcs a fill follows, relative to the
// start..end ranges, and the plan of the columns.
struct Grid {
  const NodeSteps& into_left;
  const NodeSteps& into_right;
  const TableRows& rows;
  std::size_t cols;
  const FillColumns& columns;

  std::uint32_t* row(std::uint32_t r) const { return rows.row(r); }
};

// Keeps the compiler from reordering a chain of mins: `value` counts as
// computed here, so the operations after it are not folded into those
// before it.
inline void settle(std::uint32_t& value) { asm("" : "+r"(value)); }

// The cost of reaching column `c` from the cells of row `above`, whose node
// is joined to this row's by the arc `x`: deletion, match or substitution
// and, for Damerau, the transpositions through the arcs `x2s` into the
// node of `above`. Any arcs into the column's node.
template <bool kDamerau>
std::uint32_t from_above_any(const Grid& grid, Step x, const std::uint32_t* above,
                             std::span<const Step> x2s, std::uint32_t c) {
  const auto ys = grid.into_right.of(c);
  std::uint32_t best = above[c] + 1;
  for (const Step& y : ys) best = std::min(best, above[y.node] + (x.symbol != y.symbol ? 1u : 0u));
  if constexpr (kDamerau) {
    // x2 x on the left against y2 y on the right, crossed.
    for (const Step& x2 : x2s) {
      const std::uint32_t* const above2 = grid.row(x2.node);
      for (const Step& y : ys) {
        if (y.symbol != x2.symbol) continue;
        for (const Step& y2 : grid.into_right.of(y.node)) {
          if (y2.symbol == x.symbol) best = std::min(best, above2[y2.node] + 1);
        }
      }
    }
  }
  return best;
}

// The same for a simple column, without arc lists.
template <bool kDamerau>
std::uint32_t from_above_simple(const Grid& grid, Step x, const std::uint32_t* above,
                                std::span<const Step> x2s, std::uint32_t c) {
  const FillColumns& columns = grid.columns;
  const Symbol y_symbol = columns.symbol[c];
  std::uint32_t best =
      std::min(above[c] + 1, above[columns.source[c]] + (x.symbol != y_symbol ? 1u : 0u));
  if constexpr (kDamerau) {
    if (columns.has_before[c] && columns.symbol_before[c] == x.symbol) {
      for (const Step& x2 : x2s) {
        if (x2.symbol == y_symbol) {
          best = std::min(best, grid.row(x2.node)[columns.source_before[c]] + 1);
        }
      }
    }
  }
  return best;
}

// The cost of reaching column `c` from the cells before it in the same
// row `cell`: an insertion along any arc into the column's node.
inline std::uint32_t insertion_any(const Grid& grid, const std::uint32_t* cell,
                                   std::uint32_t c) {
  std::uint32_t best = kUnreached;
  for (const Step& y : grid.into_right.of(c)) best = std::min(best, cell[y.node] + 1);
  return best;
}

// The same for any column, simple or not.
inline std::uint32_t insertion(const Grid& grid, const std::uint32_t* cell, std::uint32_t c) {
  return grid.columns.simple[c] ? cell[grid.columns.source[c]] + 1
                                : insertion_any(grid, cell, c);
}

}  // namespace lumra::internal::table_fill
