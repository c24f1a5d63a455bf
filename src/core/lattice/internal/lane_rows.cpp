#include "core/lattice/internal/lane_rows.h"

#include <cstddef>
#include <cstring>

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

#if defined(__x86_64__)
// The 256-bit instructions take a lane in one operation, and its minimum
// in one instruction, which the baseline lacks.
__attribute__((target("avx2"))) void lanes_from_above_avx2(
    const std::uint32_t* const* above, const Symbol* x_symbols, std::size_t arcs,
    const Symbol* column_symbols, std::uint32_t width, std::uint32_t* cell) {
  fill_lanes(above, x_symbols, arcs, column_symbols, width, cell);
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

}  // namespace lumra::internal::table_fill
