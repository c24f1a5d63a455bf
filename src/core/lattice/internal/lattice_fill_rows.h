// One row of the unbounded lattice table: the distances from the start
// pair to every pair of one left node with each right node.
//
// Internal to lattice_table_fill.cpp, which owns the table and calls these
// in row order. A row reads only earlier rows (through the arcs into its
// left node) and earlier cells of its own row (through the arcs into each
// right node), all already final. The columns are walked as fill_columns.h
// plans them: simple columns by their one arc, runs of followers as the
// plain string recurrence, the other columns the general way, over all
// arcs on both sides.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/lattice/internal/fill_cells.h"
#include "core/lattice/internal/fill_columns.h"
#include "core/lattice/internal/node_steps.h"
#include "core/base/symbols.h"

namespace lumra::internal::table_fill {

// A row whose node has exactly one arc in, `x`, and (Damerau) at most one
// arc `x2` into x's source.
struct SingleArcRow {
  std::uint32_t* cell;
  Step x;
  std::span<const Step> x2s;    // the arcs into x's source
  const std::uint32_t* above;   // the row of x's source
  bool transpose;               // Damerau, and there is an arc x2
  const std::uint32_t* above2;  // the row of x2's source, if any
  Symbol x2_symbol;

  template <bool kDamerau>
  static SingleArcRow make(const Grid& grid, std::uint32_t r, Step x) {
    const auto x2s = grid.into_left.of(x.node);
    const bool transpose = kDamerau && !x2s.empty();
    return {grid.row(r),
            x,
            x2s,
            grid.row(x.node),
            transpose,
            transpose ? grid.row(x2s[0].node) : nullptr,
            transpose ? x2s[0].symbol : 0};
  }

  // A column taken on its own, once the row's earlier cells are final.
  template <bool kDamerau>
  void fill_one(const Grid& grid, std::uint32_t c) const {
    const FillColumns& columns = grid.columns;
    if (!columns.simple[c]) {
      cell[c] = std::min(from_above_any<kDamerau>(grid, x, above, x2s, c),
                         insertion_any(grid, cell, c));
      return;
    }
    const std::uint32_t from = columns.source[c];
    std::uint32_t best =
        std::min(above[c] + 1, above[from] + (x.symbol != columns.symbol[c] ? 1u : 0u));
    best = std::min(best, cell[from] + 1);
    if constexpr (kDamerau) {
      if (transpose && columns.has_before[c] && x2_symbol == columns.symbol[c] &&
          columns.symbol_before[c] == x.symbol) {
        best = std::min(best, above2[columns.source_before[c]] + 1);
      }
    }
    cell[c] = best;
  }

  // A follower at column `c`, from the cells above (`up`, and `diagonal`
  // before it) and `left` before it in this row.
  template <bool kDamerau>
  std::uint32_t follower(const Grid& grid, std::uint32_t c, std::uint32_t up,
                         std::uint32_t diagonal, std::uint32_t left) const {
    const Symbol* const symbols = grid.columns.symbol.data();
    // Everything but the insertion first, so that only `left + 1` and one
    // min wait for the previous cell.
    std::uint32_t best = std::min(up + 1, diagonal + (x.symbol != symbols[c] ? 1u : 0u));
    if constexpr (kDamerau) {
      if (transpose && symbols[c] == x2_symbol && symbols[c - 1] == x.symbol) {
        best = std::min(best, above2[c - 2] + 1);
      }
    }
    settle(best);
    return std::min(best, left + 1);
  }
};

// Where a segment's register loop starts, and the column whose cells seed
// it (the loop's first diagonal and left neighbours). For Levenshtein a
// simple column just before the followers is computed the same way from
// its arc's source, so the loop starts there; Damerau's transpositions
// need the followers' own layout.
struct RegisterRun {
  std::uint32_t first;
  std::uint32_t seed;
};

template <bool kDamerau>
RegisterRun register_run(const FillColumns& columns, std::uint32_t followers) {
  const std::uint32_t last_single = followers - 1;
  if (!kDamerau && columns.simple[last_single]) {
    return {last_single, columns.source[last_single]};
  }
  return {followers, followers - 1};
}

// One single-arc row; along a run of followers the previous cell stays in
// a register.
//
// Segments are copied before use throughout: as far as the compiler knows,
// the stores into the table could change them.
template <bool kDamerau>
void single_arc_row(const Grid& grid, const SingleArcRow& row) {
  for (const auto [begin, followers, end] : grid.columns.segments) {
    const auto [run, seed] = register_run<kDamerau>(grid.columns, followers);
    for (std::uint32_t c = begin; c < run; ++c) row.fill_one<kDamerau>(grid, c);
    std::uint32_t diagonal = row.above[seed];
    std::uint32_t left = row.cell[seed];
#pragma GCC unroll 4
    for (std::uint32_t c = run; c < end; ++c) {
      const std::uint32_t up = row.above[c];
      left = row.follower<kDamerau>(grid, c, up, diagonal, left);
      row.cell[c] = left;
      diagonal = up;
    }
  }
}

// Two single-arc rows where the second's arc comes from the first's node:
// along a chain of the left lattice, row after row. Both are filled in one
// pass over the columns, the second one column behind in the data flow:
// along a run of followers its cells above are the first row's cells just
// computed, still in registers. Two independent chains of dependent
// operations then share the loop, and the column's symbol is read once.
template <bool kDamerau>
void chained_rows(const Grid& grid, const SingleArcRow& first, const SingleArcRow& second) {
  for (const auto [begin, followers, end] : grid.columns.segments) {
    const auto [run, seed] = register_run<kDamerau>(grid.columns, followers);
    for (std::uint32_t c = begin; c < run; ++c) {
      first.fill_one<kDamerau>(grid, c);
      second.fill_one<kDamerau>(grid, c);
    }
    std::uint32_t diagonal = first.above[seed];
    std::uint32_t left = first.cell[seed];
    std::uint32_t second_left = second.cell[seed];
#pragma GCC unroll 2
    for (std::uint32_t c = run; c < end; ++c) {
      const std::uint32_t up = first.above[c];
      const std::uint32_t cell = first.follower<kDamerau>(grid, c, up, diagonal, left);
      first.cell[c] = cell;
      second_left = second.follower<kDamerau>(grid, c, cell, left, second_left);
      second.cell[c] = second_left;
      diagonal = up;
      left = cell;
    }
  }
}

// Any other row, arc by arc: first the cheapest way down from each arc
// into the row's node, one arc after the other, then the insertions along
// the row. With no arc in (the start row, or a node the start does not
// reach within the ranges) only the insertions remain; the start pair
// itself costs 0.
template <bool kDamerau>
void any_row_by_arcs(const Grid& grid, std::uint32_t* cell, std::uint32_t r) {
  const FillColumns& columns = grid.columns;
  const auto xs = grid.into_left.of(r);
  std::fill(cell, cell + grid.cols, kUnreached);
  if (r == 0) cell[0] = 0;
  for (const Step& x : xs) {
    const std::uint32_t* const above = grid.row(x.node);
    const auto x2s = grid.into_left.of(x.node);
    for (const auto [begin, followers, end] : columns.segments) {
      for (std::uint32_t c = begin; c < followers; ++c) {
        const std::uint32_t best = columns.simple[c]
                                       ? from_above_simple<kDamerau>(grid, x, above, x2s, c)
                                       : from_above_any<kDamerau>(grid, x, above, x2s, c);
        cell[c] = std::min(cell[c], best);
      }
      for (std::uint32_t c = followers; c < end; ++c) {
        std::uint32_t best =
            std::min(above[c] + 1, above[c - 1] + (x.symbol != columns.symbol[c] ? 1u : 0u));
        if constexpr (kDamerau) {
          for (const Step& x2 : x2s) {
            if (columns.symbol[c] == x2.symbol && columns.symbol[c - 1] == x.symbol) {
              best = std::min(best, grid.row(x2.node)[c - 2] + 1);
            }
          }
        }
        cell[c] = std::min(cell[c], best);
      }
    }
  }
  for (const auto [begin, followers, end] : columns.segments) {
    for (std::uint32_t c = begin; c < followers; ++c) {
      cell[c] = std::min(cell[c], insertion(grid, cell, c));
    }
    for (std::uint32_t c = followers; c < end; ++c) {
      cell[c] = std::min(cell[c], cell[c - 1] + 1);
    }
  }
}

// Rows with up to this many arcs in are filled in one pass over the
// columns (any_row); the rows above them are then looked up once.
inline constexpr std::size_t kOnePassArcs = 8;

// Any other row, in one pass over the columns: each cell takes the
// cheapest way down over every arc into the row's node and then its
// insertions, whose cells before it are already final. The same minimum
// of the same terms as arc by arc, without going over the row once per
// arc and once more for the insertions.
template <bool kDamerau>
void any_row(const Grid& grid, std::uint32_t* cell, std::uint32_t r) {
  const FillColumns& columns = grid.columns;
  const auto xs = grid.into_left.of(r);
  if (xs.empty() || xs.size() > kOnePassArcs) {
    any_row_by_arcs<kDamerau>(grid, cell, r);
    return;
  }
  const std::size_t arcs = xs.size();
  const std::uint32_t* above[kOnePassArcs];
  std::span<const Step> x2s[kOnePassArcs];
  for (std::size_t k = 0; k < arcs; ++k) {
    above[k] = grid.row(xs[k].node);
    x2s[k] = grid.into_left.of(xs[k].node);
  }
  const Symbol* const symbols = columns.symbol.data();
  // The start pair, the only cell of no cost, is in the start row, which
  // has no arc in.
  for (const auto [begin, followers, end] : columns.segments) {
    for (std::uint32_t c = begin; c < followers; ++c) {
      std::uint32_t best = kUnreached;
      for (std::size_t k = 0; k < arcs; ++k) {
        best = std::min(best, columns.simple[c]
                                  ? from_above_simple<kDamerau>(grid, xs[k], above[k], x2s[k], c)
                                  : from_above_any<kDamerau>(grid, xs[k], above[k], x2s[k], c));
      }
      cell[c] = std::min(best, insertion(grid, cell, c));
    }
    // A follower's insertion comes from the cell just before it.
    std::uint32_t left = followers > begin ? cell[followers - 1] : kUnreached;
    for (std::uint32_t c = followers; c < end; ++c) {
      std::uint32_t best = kUnreached;
      for (std::size_t k = 0; k < arcs; ++k) {
        std::uint32_t way = std::min(above[k][c] + 1,
                                     above[k][c - 1] + (xs[k].symbol != symbols[c] ? 1u : 0u));
        if constexpr (kDamerau) {
          for (const Step& x2 : x2s[k]) {
            if (symbols[c] == x2.symbol && symbols[c - 1] == xs[k].symbol) {
              way = std::min(way, grid.row(x2.node)[c - 2] + 1);
            }
          }
        }
        best = std::min(best, way);
      }
      left = std::min(best, left + 1);
      cell[c] = left;
    }
  }
}

}  // namespace lumra::internal::table_fill
