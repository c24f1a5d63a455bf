#include "core/lattice/internal/lane_rows.h"

#include <cstddef>
#include <cstring>
#include <vector>

#include "core/base/cpu_features.h"

namespace lumra::internal::table_fill {

namespace {

// A lane of cells. Distances stay below kUnreached plus the node counts,
// well within the signed range, where every instruction set compares them
// directly.
using Lane = std::int32_t __attribute__((vector_size(kRowLanes * sizeof(std::int32_t))));

// The loop itself, compiled into each instruction set's function below.
// Everything stays inside one body: a 256-bit value passed between
// functions would change the calling convention with the instruction set.
[[gnu::always_inline]] inline void fill_lanes(const std::uint32_t* const* above,
                                              const Symbol* x_symbols, std::size_t arcs,
                                              const Symbol* column_symbols, std::uint32_t width,
                                              std::uint32_t* cell) {
  for (std::size_t k = 0; k < arcs; ++k) {
    const std::uint32_t* const row = above[k];
    const Lane x = Lane{} + static_cast<std::int32_t>(x_symbols[k]);
    for (std::uint32_t c = 0; c < width; c += kRowLanes) {
      Lane up, diagonal, symbols;
      std::memcpy(&up, row + c, sizeof up);
      std::memcpy(&diagonal, row + c - 1, sizeof diagonal);
      std::memcpy(&symbols, column_symbols + c, sizeof symbols);
      // A comparison gives -1 in the lanes where it holds: subtracting it
      // adds the substitution's 1 where the symbols differ.
      const Lane deleted = up + 1;
      const Lane crossed = diagonal - (symbols != x);
      Lane way = deleted < crossed ? deleted : crossed;
      if (k > 0) {
        Lane before;
        std::memcpy(&before, cell + c, sizeof before);
        way = way < before ? way : before;
      }
      std::memcpy(cell + c, &way, sizeof way);
    }
  }
}

// Any row. Compiled into each instruction set's build of the rows below,
// with the lanes' loop.
[[gnu::always_inline]] inline void lane_row(const Grid& grid, std::uint32_t* cell,
                                            std::uint32_t r) {
  const auto xs = grid.into_left.of(r);
  if (r == 0) {
    // The start row, planned with the columns.
    const std::vector<std::uint32_t>& start = grid.columns.start_row;
    std::copy(start.begin(), start.end(), cell);
    cell[-1] = cell[0] + 1;
    return;
  }
  if (xs.empty() || xs.size() > kOnePassArcs) {
    lane_row_by_arcs(grid, cell, r);
    return;
  }
  ArcsAbove arcs;
  arcs.count = xs.size();
  for (std::size_t k = 0; k < arcs.count; ++k) {
    arcs.above[k] = grid.row(xs[k].node);
    arcs.symbol[k] = xs[k].symbol;
  }
  const FillColumns& columns = grid.columns;
  const std::uint32_t width = lane_width(static_cast<std::uint32_t>(grid.cols));
  fill_lanes(arcs.above, arcs.symbol, arcs.count, columns.symbol.data(), width, cell);
  cell[-1] = cell[0] + 1;
  static_assert(kOnePassArcs == 8, "a case for every count of arcs a lane row takes");
  switch (arcs.count) {
    case 1: heads_and_runs<1>(columns, grid.into_right, arcs, cell); break;
    case 2: heads_and_runs<2>(columns, grid.into_right, arcs, cell); break;
    case 3: heads_and_runs<3>(columns, grid.into_right, arcs, cell); break;
    case 4: heads_and_runs<4>(columns, grid.into_right, arcs, cell); break;
    case 5: heads_and_runs<5>(columns, grid.into_right, arcs, cell); break;
    case 6: heads_and_runs<6>(columns, grid.into_right, arcs, cell); break;
    case 7: heads_and_runs<7>(columns, grid.into_right, arcs, cell); break;
    default: heads_and_runs<8>(columns, grid.into_right, arcs, cell); break;
  }
}

[[gnu::always_inline]] inline bool fill_rows(const Grid& grid, std::uint32_t rows,
                                             InterruptionPoll& poll) {
  for (std::uint32_t r = 0; r < rows; ++r) {
    if (poll.stop_after(2 * std::uint64_t{grid.cols})) return false;
    lane_row(grid, grid.row(r), r);
  }
  return true;
}

#if defined(__x86_64__)
// The 256-bit instructions take a lane in one operation, and its minimum
// in one instruction, which the baseline lacks.
__attribute__((target("avx2"))) void lanes_from_above_avx2(
    const std::uint32_t* const* above, const Symbol* x_symbols, std::size_t arcs,
    const Symbol* column_symbols, std::uint32_t width, std::uint32_t* cell) {
  fill_lanes(above, x_symbols, arcs, column_symbols, width, cell);
}
__attribute__((target("avx2"))) bool lane_rows_avx2(const Grid& grid, std::uint32_t rows,
                                                    InterruptionPoll& poll) {
  return fill_rows(grid, rows, poll);
}
#endif

}  // namespace

// Kept out of the choosing function below, which then only passes its
// arguments on.
[[gnu::noinline]] void lanes_from_above_baseline(const std::uint32_t* const* above,
                                                 const Symbol* x_symbols, std::size_t arcs,
                                                 const Symbol* column_symbols,
                                                 std::uint32_t width, std::uint32_t* cell) {
  fill_lanes(above, x_symbols, arcs, column_symbols, width, cell);
}

void lanes_from_above(const std::uint32_t* const* above, const Symbol* x_symbols,
                      std::size_t arcs, const Symbol* column_symbols, std::uint32_t width,
                      std::uint32_t* cell) {
#if defined(__x86_64__)
  if (avx2_available()) {
    lanes_from_above_avx2(above, x_symbols, arcs, column_symbols, width, cell);
    return;
  }
#endif
  lanes_from_above_baseline(above, x_symbols, arcs, column_symbols, width, cell);
}

[[gnu::noinline]] bool lane_rows_baseline(const Grid& grid, std::uint32_t rows,
                                          InterruptionPoll& poll) {
  return fill_rows(grid, rows, poll);
}

bool lane_rows(const Grid& grid, std::uint32_t rows, InterruptionPoll& poll) {
#if defined(__x86_64__)
  if (avx2_available()) return lane_rows_avx2(grid, rows, poll);
#endif
  return lane_rows_baseline(grid, rows, poll);
}

}  // namespace lumra::internal::table_fill
