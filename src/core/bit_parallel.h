// Small helpers shared by the bit-parallel kernels.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

namespace lumra::bit_parallel {

constexpr std::uint64_t kAllOnes = ~std::uint64_t{0};
constexpr std::uint64_t kTopBit = std::uint64_t{1} << 63;

// a + b + carry of a multi-word addition; `carry` (0 or 1) is replaced by
// the carry out of this word.
inline std::uint64_t add_with_carry(std::uint64_t a, std::uint64_t b, std::uint64_t& carry) {
  std::uint64_t sum = 0;
  const bool first = __builtin_add_overflow(a, b, &sum);
  const bool second = __builtin_add_overflow(sum, carry, &sum);
  carry = (first || second) ? 1 : 0;
  return sum;
}

// One pass of a banded multi-word kernel: within the bound, with `value`
// the distance; or stopped, with `value` the value reached on the final
// diagonal after `steps` of its steps.
struct BandPass {
  bool within;
  std::uint64_t value;
  std::uint64_t steps;
};

inline std::uint64_t length_difference(std::size_t a, std::size_t b) {
  return a > b ? a - b : b - a;
}

// The bit of the last pattern row inside its word; patterns of `length` >= 1.
inline std::uint64_t last_row_bit(std::size_t length) {
  return std::uint64_t{1} << ((length - 1) % 64);
}

// The low `count` bits (1 <= count <= 64).
inline std::uint64_t low_bits(std::size_t count) {
  return count >= 64 ? kAllOnes : (std::uint64_t{1} << count) - 1;
}

// The bottom value of column `columns` from its vertical differences: row 0
// holds `columns`, and every row of the pattern adds +1 where vp is set and
// -1 where vn is. Reading it off the final column spares the column steps a
// running score. `rows` masks the bits that are pattern rows.
inline std::uint64_t bottom_value(std::uint64_t columns, std::uint64_t vp, std::uint64_t vn,
                                  std::uint64_t rows) {
  return columns + static_cast<std::uint64_t>(std::popcount(vp & rows)) -
         static_cast<std::uint64_t>(std::popcount(vn & rows));
}

// Rows of a pattern of `length` symbols covered by word `w`.
inline std::uint64_t rows_in_word(std::size_t length, std::size_t w) {
  const std::size_t below = 64 * w;
  return length - below < 64 ? length - below : 64;
}

}  // namespace lumra::bit_parallel
