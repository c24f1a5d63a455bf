// The early exit shared by the bounded single- and two-word kernels.
//
// Values never decrease along a diagonal of the table, so the value on the
// final cell's diagonal (n - m) in the current column is a lower bound of
// the distance: once it passes the bound, the texts are known to be too far
// apart. Following it costs one bit of the column's diagonal-zero vector per
// step. Columns before that diagonal enters the table tell nothing new: its
// value there is the length difference, which the caller already checked.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/bit_parallel.h"
#include "core/osa.h"
#include "core/symbols.h"

namespace lumra::kernels {

// `column` is a column kernel over a pattern of `m` >= 1 symbols, fresh at
// column 0: advance(c) moves it over text symbol c, zero_at(row) tells
// whether the last column's cell on 0-based `row` is a diagonal zero (equal
// to its upper-left neighbour), and distance(j) is the last row's value
// after j columns. The
// caller checked |n - m| <= bound.
template <class Column>
BoundedDistance scan_within_bound(Column& column, std::size_t m, Symbols text,
                                  std::uint64_t bound) {
  const std::size_t n = text.size();
  const std::size_t lead = n > m ? n - m : 0;
  for (std::size_t j = 0; j < lead; ++j) column.advance(text[j]);
  std::uint64_t diagonal = bit_parallel::length_difference(m, n);
  std::size_t row = m > n ? m - n : 0;
  for (std::size_t j = lead; j < n; ++j, ++row) {
    column.advance(text[j]);
    diagonal += 1 - column.zero_at(row);
    if (diagonal > bound) return {false, diagonal};
  }
  const std::uint64_t distance = column.distance(n);
  return {distance <= bound, distance};
}

}  // namespace lumra::kernels
