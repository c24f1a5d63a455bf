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

// The lanes where `rising` holds (-1), one bit each, lane 0 lowest.
struct BaselineRiseBits {
  static std::uint8_t of(Lane rising) {
#if defined(__x86_64__)
    // The 128-bit mask instruction on each half, which every x86-64 has.
    using Half = float __attribute__((vector_size(16)));
    Half low, high;
    std::memcpy(&low, &rising, sizeof low);
    std::memcpy(&high, reinterpret_cast<const char*>(&rising) + sizeof low, sizeof high);
    return static_cast<std::uint8_t>(__builtin_ia32_movmskps(low) |
                                     (__builtin_ia32_movmskps(high) << 4));
#else
    std::uint8_t bits = 0;
    for (std::size_t i = 0; i < kRowLanes; ++i) bits |= (rising[i] != 0 ? 1u : 0u) << i;
    return bits;
#endif
  }
};

#if defined(__x86_64__)
// The whole lane in one instruction. Not forced inline: built for the
// 256-bit instructions, it is inlined only into their builds.
struct WideRiseBits {
  __attribute__((target("avx2"))) static std::uint8_t of(Lane rising) {
    using Wide = float __attribute__((vector_size(32)));
    Wide all;
    std::memcpy(&all, &rising, sizeof all);
    return static_cast<std::uint8_t>(__builtin_ia32_movmskps256(all));
  }
};
#endif

// The loop itself, compiled into each instruction set's function below.
// Everything stays inside one body: a 256-bit value passed between
// functions would change the calling convention with the instruction set.
template <class RiseBits>
[[gnu::always_inline]] inline void fill_lanes(const std::uint32_t* const* above,
                                              const Symbol* x_symbols, std::size_t arcs,
                                              const Symbol* column_symbols, std::uint32_t width,
                                              std::uint32_t* cell, std::uint8_t* rises) {
  static_assert(kRowLanes == 8, "a lane's rises fill one byte");
  for (std::size_t k = 0; k < arcs; ++k) {
    const std::uint32_t* const row = above[k];
    const Lane x = Lane{} + static_cast<std::int32_t>(x_symbols[k]);
    const bool last = k + 1 == arcs;
    // The way down of the lane before, its last column read by this
    // lane's first; before column 0, one that rises to nothing.
    Lane before_lane = Lane{} + static_cast<std::int32_t>(kUnreached * 2);
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
      if (last) {
        // Each column against the one before it, kept in registers
        // rather than read back from the row just stored.
        const Lane previous =
            __builtin_shufflevector(before_lane, way, 7, 8, 9, 10, 11, 12, 13, 14);
        rises[c / kRowLanes] = RiseBits::of(way > previous + 1);
        before_lane = way;
      }
    }
  }
}

// What every row of a table reads, looked up once for them all.
struct LaneTable {
  const Grid& grid;
  TableRows::Places rows;
  std::uint32_t width;
  const Symbol* symbols;
  std::uint8_t* rises;
};

// Any row. Compiled into each instruction set's build of the rows below,
// with the lanes' loop.
template <class RiseBits>
[[gnu::always_inline]] inline void lane_row(const LaneTable& table, std::uint32_t r) {
  const Grid& grid = table.grid;
  std::uint32_t* const cell = table.rows.row(r);
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
    arcs.above[k] = table.rows.row(xs[k].node);
    arcs.symbol[k] = xs[k].symbol;
  }
  fill_lanes<RiseBits>(arcs.above, arcs.symbol, arcs.count, table.symbols, table.width, cell,
                       table.rises);
  cell[-1] = cell[0] + 1;
  const FillColumns& columns = grid.columns;
  std::uint8_t* const rises = table.rises;
  static_assert(kOnePassArcs == 8, "a case for every count of arcs a lane row takes");
  switch (arcs.count) {
    case 1: heads_and_runs<1>(columns, grid.into_right, arcs, cell, rises); break;
    case 2: heads_and_runs<2>(columns, grid.into_right, arcs, cell, rises); break;
    case 3: heads_and_runs<3>(columns, grid.into_right, arcs, cell, rises); break;
    case 4: heads_and_runs<4>(columns, grid.into_right, arcs, cell, rises); break;
    case 5: heads_and_runs<5>(columns, grid.into_right, arcs, cell, rises); break;
    case 6: heads_and_runs<6>(columns, grid.into_right, arcs, cell, rises); break;
    case 7: heads_and_runs<7>(columns, grid.into_right, arcs, cell, rises); break;
    default: heads_and_runs<8>(columns, grid.into_right, arcs, cell, rises); break;
  }
}

template <class RiseBits>
[[gnu::always_inline]] inline bool fill_rows(const Grid& grid, std::uint32_t rows,
                                             InterruptionPoll& poll) {
  const LaneTable table{grid, grid.rows.places(),
                        lane_width(static_cast<std::uint32_t>(grid.cols)),
                        grid.columns.symbol.data(), grid.rows.rises()};
  const std::uint64_t row_work = 2 * std::uint64_t{grid.cols};
  // A table of less work than the meter counts between two checks is
  // metered once, as a whole, before it is filled: the source is asked
  // as often, and its rows pay nothing.
  const bool meter_rows = row_work * rows > kWorkBetweenChecks;
  if (!meter_rows && poll.stop_after(row_work * rows)) return false;
  for (std::uint32_t r = 0; r < rows; ++r) {
    if (meter_rows && poll.stop_after(row_work)) return false;
    lane_row<RiseBits>(table, r);
  }
  return true;
}

#if defined(__x86_64__)
// The 256-bit instructions take a lane in one operation, and its minimum
// in one instruction, which the baseline lacks.
__attribute__((target("avx2"))) void lanes_from_above_avx2(
    const std::uint32_t* const* above, const Symbol* x_symbols, std::size_t arcs,
    const Symbol* column_symbols, std::uint32_t width, std::uint32_t* cell,
    std::uint8_t* rises) {
  fill_lanes<WideRiseBits>(above, x_symbols, arcs, column_symbols, width, cell, rises);
}
__attribute__((target("avx2"))) bool lane_rows_avx2(const Grid& grid, std::uint32_t rows,
                                                    InterruptionPoll& poll) {
  return fill_rows<WideRiseBits>(grid, rows, poll);
}
#endif

}  // namespace

// Kept out of the choosing function below, which then only passes its
// arguments on.
[[gnu::noinline]] void lanes_from_above_baseline(const std::uint32_t* const* above,
                                                 const Symbol* x_symbols, std::size_t arcs,
                                                 const Symbol* column_symbols,
                                                 std::uint32_t width, std::uint32_t* cell,
                                                 std::uint8_t* rises) {
  fill_lanes<BaselineRiseBits>(above, x_symbols, arcs, column_symbols, width, cell, rises);
}

void lanes_from_above(const std::uint32_t* const* above, const Symbol* x_symbols,
                      std::size_t arcs, const Symbol* column_symbols, std::uint32_t width,
                      std::uint32_t* cell, std::uint8_t* rises) {
#if defined(__x86_64__)
  if (avx2_available()) {
    lanes_from_above_avx2(above, x_symbols, arcs, column_symbols, width, cell, rises);
    return;
  }
#endif
  lanes_from_above_baseline(above, x_symbols, arcs, column_symbols, width, cell, rises);
}

[[gnu::noinline]] bool lane_rows_baseline(const Grid& grid, std::uint32_t rows,
                                          InterruptionPoll& poll) {
  return fill_rows<BaselineRiseBits>(grid, rows, poll);
}

bool lane_rows(const Grid& grid, std::uint32_t rows, InterruptionPoll& poll) {
#if defined(__x86_64__)
  if (avx2_available()) return lane_rows_avx2(grid, rows, poll);
#endif
  return lane_rows_baseline(grid, rows, poll);
}

}  // namespace lumra::internal::table_fill
