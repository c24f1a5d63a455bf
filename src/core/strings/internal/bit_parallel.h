// Small helpers shared by the bit-parallel kernels.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

namespace lumra::internal {

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

// The number of set bits. The baseline instruction set has no popcount, and
// std::popcount then calls a library routine that does this same
// arithmetic behind a call; the distances read it once or twice per
// comparison, which for short words is a tenth of the whole.
inline std::uint64_t bit_count(std::uint64_t x) {
#if defined(__POPCNT__)
  return static_cast<std::uint64_t>(std::popcount(x));
#else
  x -= (x >> 1) & 0x5555555555555555ull;
  x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
  x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
  return (x * 0x0101010101010101ull) >> 56;
#endif
}

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
  return columns + bit_count(vp & rows) - bit_count(vn & rows);
}

// One column of the table over up to 64 pattern rows (bit i for row i + 1):
// vp where the value grows by one going down, vn where it shrinks by one,
// and d0 where a cell equals its upper-left neighbour. step() is Myers'
// column step; `x` holds the diagonal-zero sources the metric knows before
// the carry chain spreads them (matches, vn, and any transpositions).
struct WordState {
  std::uint64_t vp = kAllOnes;
  std::uint64_t vn = 0;
  std::uint64_t d0 = 0;

  void step(std::uint64_t x) {
    d0 = (((x & vp) + vp) ^ vp) | x;
    std::uint64_t hp = vn | ~(d0 | vp);
    std::uint64_t hn = d0 & vp;
    hp = (hp << 1) | 1;
    hn <<= 1;
    vp = hn | ~(d0 | hp);
    vn = hp & d0;
  }
  std::uint64_t zero_at(std::size_t row) const { return (d0 >> row) & 1; }
  std::uint64_t distance(std::size_t columns, std::size_t rows) const {
    return bottom_value(columns, vp, vn, low_bits(rows));
  }
};

// The same over N words (N = 2..4: 65 to 256 rows), kept in registers:
// the carry of the addition and the shifted horizontal differences pass
// from each word to the next one up.
template <std::size_t N>
struct WordsState {
  std::uint64_t vp[N];
  std::uint64_t vn[N];
  std::uint64_t d0[N];

  WordsState() {
    for (std::size_t w = 0; w < N; ++w) {
      vp[w] = kAllOnes;
      vn[w] = 0;
      d0[w] = 0;
    }
  }

  void step(const std::uint64_t (&x)[N]) {
    std::uint64_t carry = 0;
    std::uint64_t hp_in = 1;  // row 0 grows by one per column
    std::uint64_t hn_in = 0;
    for (std::size_t w = 0; w < N; ++w) {
      d0[w] = (add_with_carry(x[w] & vp[w], vp[w], carry) ^ vp[w]) | x[w];
      const std::uint64_t hp = vn[w] | ~(d0[w] | vp[w]);
      const std::uint64_t hn = d0[w] & vp[w];
      const std::uint64_t hp_shifted = (hp << 1) | hp_in;
      const std::uint64_t hn_shifted = (hn << 1) | hn_in;
      hp_in = hp >> 63;
      hn_in = hn >> 63;
      vp[w] = hn_shifted | ~(d0[w] | hp_shifted);
      vn[w] = hp_shifted & d0[w];
    }
  }
  std::uint64_t zero_at(std::size_t row) const { return (d0[row / 64] >> (row % 64)) & 1; }
  // `rows` lies in 64 * (N - 1) + 1 .. 64 * N.
  std::uint64_t distance(std::size_t columns, std::size_t rows) const {
    std::uint64_t value = columns;
    for (std::size_t w = 0; w + 1 < N; ++w) {
      value += bit_count(vp[w]);
      value -= bit_count(vn[w]);
    }
    const std::uint64_t top_rows = low_bits(rows - 64 * (N - 1));
    return value + bit_count(vp[N - 1] & top_rows) - bit_count(vn[N - 1] & top_rows);
  }
};

// Rows of a pattern of `length` symbols covered by word `w`.
inline std::uint64_t rows_in_word(std::size_t length, std::size_t w) {
  const std::size_t below = 64 * w;
  return length - below < 64 ? length - below : 64;
}

}  // namespace lumra::internal
