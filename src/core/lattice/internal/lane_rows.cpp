#include "core/lattice/internal/lane_rows.h"

#include <cstring>

namespace lumra::internal::table_fill {

namespace {

// A lane of cells. Distances stay below kUnreached plus the node counts,
// well within the signed range, where every instruction set compares them
// directly.
using Lane = std::int32_t __attribute__((vector_size(kRowLanes * sizeof(std::int32_t))));

// The loop itself, compiled into each instruction set's function below.
// Everything stays inside one body: a 256-bit value passed between
// functions would change the calling convention with the instruction set.
[[gnu::always_inline]] inline void fill_lanes(const std::uint32_t* above, Symbol x_symbol,
                                              const Symbol* column_symbols, std::uint32_t width,
                                              std::uint32_t* cell, bool first) {
  const Lane x = Lane{} + static_cast<std::int32_t>(x_symbol);
  for (std::uint32_t c = 0; c < width; c += kRowLanes) {
    Lane up, diagonal, symbols;
    std::memcpy(&up, above + c, sizeof up);
    std::memcpy(&diagonal, above + c - 1, sizeof diagonal);
    std::memcpy(&symbols, column_symbols + c, sizeof symbols);
    // A comparison gives -1 in the lanes where it holds: subtracting it
    // adds the substitution's 1 where the symbols differ.
    const Lane deleted = up + 1;
    const Lane crossed = diagonal - (symbols != x);
    Lane way = deleted < crossed ? deleted : crossed;
    if (!first) {
      Lane before;
      std::memcpy(&before, cell + c, sizeof before);
      way = way < before ? way : before;
    }
    std::memcpy(cell + c, &way, sizeof way);
  }
}

// The 256-bit instructions take a lane in one operation, and its minimum
// in one instruction, which the baseline lacks.
__attribute__((target("avx2"))) void lanes_from_above_avx2(
    const std::uint32_t* above, Symbol x_symbol, const Symbol* column_symbols,
    std::uint32_t width, std::uint32_t* cell, bool first) {
  fill_lanes(above, x_symbol, column_symbols, width, cell, first);
}

bool has_avx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}

}  // namespace

void lanes_from_above_baseline(const std::uint32_t* above, Symbol x_symbol,
                               const Symbol* column_symbols, std::uint32_t width,
                               std::uint32_t* cell, bool first) {
  fill_lanes(above, x_symbol, column_symbols, width, cell, first);
}

void lanes_from_above(const std::uint32_t* above, Symbol x_symbol, const Symbol* column_symbols,
                      std::uint32_t width, std::uint32_t* cell, bool first) {
  static const bool avx2 = has_avx2();
  if (avx2) {
    lanes_from_above_avx2(above, x_symbol, column_symbols, width, cell, first);
  } else {
    lanes_from_above_baseline(above, x_symbol, column_symbols, width, cell, first);
  }
}

}  // namespace lumra::internal::table_fill
