// How the unbounded lattice fill walks the columns of its rows.
//
// A column stands for a node of the right lattice. Most nodes have exactly
// one arc in, and then a cell needs no arc list: its diagonal and
// insertion neighbours sit in the column the arc comes from. Such columns
// are "simple" here (for Damerau, the arc's source must have at most one
// arc in too, so that a transposition has at most one way). A simple column
// whose arc comes from the column just before is a "follower" (for
// Damerau, when that column is a follower as well): along a run of
// followers a row is the plain string recurrence, its neighbours in
// registers. Chain lattices are runs of followers; the compact builder
// numbers nodes by height, so its columns are mostly simple but seldom
// followers.
//
// The columns are split into segments, each some columns taken one by one
// (simple or not) and then a run of followers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/lattice/internal/node_steps.h"
#include "core/base/symbols.h"

namespace lumra::internal {

struct FillColumns {
  struct Segment {
    std::uint32_t begin;  // [begin, followers): one by one
    std::uint32_t followers;  // [followers, end): a run of followers
    std::uint32_t end;
  };

  // Plans the `cols` columns whose arcs in are `into_right`.
  void plan(const NodeSteps& into_right, std::uint32_t cols, bool damerau);

  std::vector<Segment> segments;  // in column order, covering every column

  // The plan of a fill in lanes (lane_rows.h), made only for a right
  // operand that some table can take in lanes (Levenshtein, a lane wide or
  // more, and one row of it with the lanes' extra cells within the state
  // limit): for one too wide it would take up to 20 bytes a column, never
  // read.
  bool lanes_planned = false;
  // The columns taken one by one, in column order, each with the run of
  // followers after it (up to `run_end`, none when it is col + 1) and its
  // arcs in, [first_step, last_step) of the planned NodeSteps' all(): a
  // row filled in lanes walks these alone, with no column flags or arc
  // offsets to look up. The arcs themselves are not copied: a lattice of
  // few followers would hold them twice. The first is the start column,
  // which has no arc in.
  struct Head {
    std::uint32_t col;
    std::uint32_t run_end;
    std::uint32_t first_step;
    std::uint32_t last_step;
  };
  std::vector<Head> heads;
  // The start row of a lane fill, which depends on the columns alone: each
  // column's insertions from the start column, kUnreached (plus the arcs
  // after it) where no path leads, over whole lanes (the extra cells
  // kUnreached).
  std::vector<std::uint32_t> start_row;
  // Per column: whether it is simple, and then its one arc in. `symbol`
  // runs on to whole lanes of table_rows.h, the extra columns of symbol 0.
  std::vector<std::uint8_t> simple;
  std::vector<std::uint32_t> source;
  std::vector<Symbol> symbol;
  // Damerau, per simple column: whether the arc's source has an arc in,
  // and then that arc.
  std::vector<std::uint8_t> has_before;
  std::vector<std::uint32_t> source_before;
  std::vector<Symbol> symbol_before;

  std::size_t reserved_bytes() const {
    return segments.capacity() * sizeof(Segment) +
           (simple.capacity() + has_before.capacity()) * sizeof(std::uint8_t) +
           (source.capacity() + source_before.capacity()) * sizeof(std::uint32_t) +
           (symbol.capacity() + symbol_before.capacity()) * sizeof(Symbol) +
           heads.capacity() * sizeof(Head) +
           start_row.capacity() * sizeof(std::uint32_t);
  }
};

}  // namespace lumra::internal
