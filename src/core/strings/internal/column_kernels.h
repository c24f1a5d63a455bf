// What the bit-parallel metrics share around their column steps: running a
// column along a text, with or without a bound, and picking the pattern
// table a single comparison is cheapest with.
//
// A column kernel keeps one column of the table as bit vectors over the
// pattern rows and advances it one text symbol at a time; each metric
// (levenshtein_bit_parallel.cpp, osa_bit_parallel.cpp) supplies its own.
//
// The bounded runs stop early on a property of the table: values never
// decrease along a diagonal, so the value on the final cell's diagonal
// (n - m) in the current column is a lower bound of the distance, and once
// it passes the bound the texts are known to be too far apart. Following it
// costs one bit of the column's diagonal-zero vector per step. Columns
// before that diagonal enters the table tell nothing new: its value there
// is the length difference, which is checked first.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>

#include "core/strings/internal/bit_parallel.h"
#include "core/strings/osa.h"
#include "core/strings/internal/pattern_match.h"
#include "core/strings/internal/pattern_match_words.h"
#include "core/strings/string_workspace.h"
#include "core/base/symbols.h"

namespace lumra::internal {

// A column kernel over a pattern of m >= 1 symbols, fresh at column 0:
//   advance(c)    moves it over text symbol c;
//   zero_at(row)  whether the last column's cell on 0-based `row` is a
//                 diagonal zero (equal to its upper-left neighbour);
//   distance(j)   the last row's value after j columns.
// The runs are inlined where the column is made: a column that stays a
// local object keeps its words in registers, while one reached through a
// reference may share memory with the mask tables as far as the compiler
// knows, and is stored and reloaded at every step.
template <class Column>
[[gnu::always_inline]] inline std::uint64_t scan(Column& column, Symbols text) {
  for (const Symbol c : text) column.advance(c);
  return column.distance(text.size());
}

// The caller checked |n - m| <= bound.
template <class Column>
[[gnu::always_inline]] inline BoundedDistance scan_within_bound(Column& column, std::size_t m,
                                                                Symbols text,
                                                                std::uint64_t bound) {
  const std::size_t n = text.size();
  const std::size_t lead = n > m ? n - m : 0;
  for (std::size_t j = 0; j < lead; ++j) column.advance(text[j]);
  std::uint64_t diagonal = length_difference(m, n);
  std::size_t row = m > n ? m - n : 0;
  for (std::size_t j = lead; j < n; ++j, ++row) {
    column.advance(text[j]);
    diagonal += 1 - column.zero_at(row);
    if (diagonal > bound) return {false, diagonal};
  }
  const std::uint64_t distance = column.distance(n);
  return {distance <= bound, distance};
}

// The distance between a pattern of m symbols and `text` by a Column made
// from `column_args`; an empty pattern needs no column.
template <class Column, class... Args>
[[gnu::always_inline]] inline std::uint64_t column_distance(std::size_t m, Symbols text,
                                                            const Args&... column_args) {
  if (m == 0) return text.size();
  Column column(column_args...);
  return scan(column, text);
}

// The same within `bound`: the distance when it is at most the bound, and
// otherwise a verdict reached as early as the lengths or the final diagonal
// allow.
template <class Column, class... Args>
[[gnu::always_inline]] inline BoundedDistance column_distance_within(std::size_t m, Symbols text,
                                                                     std::uint64_t bound,
                                                                     const Args&... column_args) {
  const std::size_t n = text.size();
  if (length_difference(m, n) > bound) return {false, 0};
  if (m == 0) return {true, n};
  Column column(column_args...);
  if (bound >= std::max(m, n)) return {true, scan(column, text)};
  return scan_within_bound(column, m, text, bound);
}

inline std::optional<std::uint64_t> within_or_nothing(BoundedDistance found) {
  if (!found.within) return std::nullopt;
  return found.value;
}

// Builds a `Table` from `build` and runs `run` on it in a stack frame of its
// own. The dispatcher then holds no table itself: the four-word table alone
// takes 26 KB, which every short comparison would otherwise reserve and
// step over.
template <class Table, class Run, class... Build>
[[gnu::noinline]] auto run_with_table(const Run& run, const Build&... build) {
  const Table table(build...);
  return run(table);
}

// Runs `kernel` on the cheapest table for comparing `pattern` (non-empty)
// with this one `text`: kernel(const PatternMatchShort&) for a short pattern
// and text, kernel(WordPattern) up to 64 symbols, kernel(const
// PatternMatchWords<N>&) up to 64 * N for N = 2..4, and kernel(const
// PatternMatchBlocks&), built in `workspace`, beyond.
template <class Kernel>
auto with_pattern_table(Symbols pattern, Symbols text, StringWorkspace& workspace,
                        const Kernel& kernel) {
  if (fits_short_table(pattern, text)) return run_with_table<PatternMatchShort>(kernel, pattern);
  if (pattern.size() <= PatternMatchWord::kMaxLength) {
    return run_with_table<PatternMatchWord>(
        [&](const PatternMatchWord& table) { return kernel(WordPattern{&table, 0, pattern.size()}); },
        pattern, text);
  }
  if (pattern.size() <= PatternMatchWords<2>::kMaxLength) {
    return run_with_table<PatternMatchWords<2>>(kernel, pattern);
  }
  if (pattern.size() <= PatternMatchWords<3>::kMaxLength) {
    return run_with_table<PatternMatchWords<3>>(kernel, pattern);
  }
  if (pattern.size() <= PatternMatchWords<4>::kMaxLength) {
    return run_with_table<PatternMatchWords<4>>(kernel, pattern);
  }
  PatternMatchBlocks& blocks = workspace.buffers().pattern_blocks;
  blocks.assign(pattern);
  return kernel(std::as_const(blocks));
}

}  // namespace lumra::internal
