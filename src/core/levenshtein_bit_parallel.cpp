// Bit-parallel Levenshtein kernels.
//
// One column of the table is held as two bit vectors over the pattern rows:
// vp (the value grows by one going down) and vn (it shrinks by one). Each
// text symbol advances the column with a handful of word operations. Row 0
// is 0, 1, 2, ... along the text, which enters as a +1 horizontal difference
// above the top row of every column. The one- and two-word kernels read the
// last row's value off the final column; the banded multi-word kernel, whose
// words come and go, keeps it as a running score.
//
// Bounded forms stop as soon as the value on the final cell's diagonal, a
// lower bound of the distance, passes the bound (bounded_scan.h).
#include <algorithm>

#include "core/bit_parallel.h"
#include "core/bounded_scan.h"
#include "core/diagonal_band.h"
#include "core/levenshtein_kernels.h"

namespace lumra::kernels {

using bit_parallel::add_with_carry;
using bit_parallel::bottom_value;
using bit_parallel::low_bits;
using bit_parallel::BandPass;
using bit_parallel::kAllOnes;
using bit_parallel::kTopBit;
using bit_parallel::last_row_bit;
using bit_parallel::length_difference;
using bit_parallel::rows_in_word;
using bit_parallel::run_with_table;

namespace {

// The one-word kernel's column (bit i stands for pattern row i + 1).
template <class Pattern>
struct WordColumn {
  const Pattern& pattern;
  std::size_t length;
  std::uint64_t vp = kAllOnes;
  std::uint64_t vn = 0;
  std::uint64_t d0 = 0;  // bit i set when cell (i + 1, j) equals cell (i, j - 1)

  WordColumn(const Pattern& p, std::size_t m) : pattern(p), length(m) {}

  void advance(Symbol c) {
    const std::uint64_t x = pattern.get(c) | vn;
    d0 = (((x & vp) + vp) ^ vp) | x;
    std::uint64_t hp = vn | ~(d0 | vp);
    std::uint64_t hn = d0 & vp;
    hp = (hp << 1) | 1;
    hn <<= 1;
    vp = hn | ~(d0 | hp);
    vn = hp & d0;
  }
  std::uint64_t zero_at(std::size_t row) const { return (d0 >> row) & 1; }
  std::uint64_t distance(std::size_t columns) const {
    return bottom_value(columns, vp, vn, low_bits(length));
  }
};

// The same step over two words, the carry of the addition and the shifted
// horizontal differences passing from the low word to the high one.
struct TwoWordColumn {
  const PatternMatchTwoWords& pattern;
  std::uint64_t vp[2] = {kAllOnes, kAllOnes};
  std::uint64_t vn[2] = {0, 0};
  std::uint64_t d0[2] = {0, 0};

  explicit TwoWordColumn(const PatternMatchTwoWords& p) : pattern(p) {}

  void advance(Symbol c) {
    const std::uint64_t eq[2] = {pattern.low(c), pattern.high(c)};
    std::uint64_t carry = 0;
    std::uint64_t hp[2];
    std::uint64_t hn[2];
    for (int w = 0; w < 2; ++w) {
      const std::uint64_t x = eq[w] | vn[w];
      d0[w] = (add_with_carry(x & vp[w], vp[w], carry) ^ vp[w]) | x;
      hp[w] = vn[w] | ~(d0[w] | vp[w]);
      hn[w] = d0[w] & vp[w];
    }
    const std::uint64_t hp_shifted[2] = {(hp[0] << 1) | 1, (hp[1] << 1) | (hp[0] >> 63)};
    const std::uint64_t hn_shifted[2] = {hn[0] << 1, (hn[1] << 1) | (hn[0] >> 63)};
    for (int w = 0; w < 2; ++w) {
      vp[w] = hn_shifted[w] | ~(d0[w] | hp_shifted[w]);
      vn[w] = hp_shifted[w] & d0[w];
    }
  }
  std::uint64_t zero_at(std::size_t row) const { return (d0[row / 64] >> (row % 64)) & 1; }
  std::uint64_t distance(std::size_t columns) const {
    const std::uint64_t high_rows = low_bits(pattern.length() - 64);
    return bottom_value(columns, vp[0], vn[0], kAllOnes) + std::popcount(vp[1] & high_rows) -
           std::popcount(vn[1] & high_rows);
  }
};

template <class Column>
std::optional<std::uint64_t> within_bound(Column& column, std::size_t m, Symbols text,
                                          std::uint64_t bound) {
  const BoundedDistance found = scan_within_bound(column, m, text, bound);
  if (!found.within) return std::nullopt;
  return found.value;
}

// The multi-word kernel over the band of `bound`; the caller guarantees
// |n - m| <= bound <= max(m, n) and m >= 1.
BandPass blocks_in_band(const PatternMatchBlocks& pattern, Symbols text, std::uint64_t bound,
                        StringWorkspace& workspace) {
  const std::size_t m = pattern.length();
  const std::size_t words = pattern.words();
  if (text.empty()) return {true, m, 0};
  const DiagonalBand band(m, text.size(), bound);

  workspace.buffers().bit_columns.resize(2 * words);
  std::uint64_t* vp = workspace.buffers().bit_columns.data();
  std::uint64_t* vn = vp + words;
  const std::uint64_t last = last_row_bit(m);

  // Column 0 is 0, 1, ..., m; only the first word is set up front, the
  // others join when the band reaches them. Words join below the last one,
  // so only the last word's bottom value (`score`) needs tracking.
  std::size_t first_word = 0;
  std::size_t last_word = 0;
  vp[0] = kAllOnes;
  vn[0] = 0;
  std::uint64_t score = rows_in_word(m, 0);

  // The value on the final diagonal: |n - m| where the diagonal leaves the
  // table border (row 0 or column 0).
  const std::int64_t delta = band.delta();
  std::uint64_t diagonal = length_difference(m, text.size());

  for (std::size_t column = 1; column <= text.size(); ++column) {
    const auto j = static_cast<std::int64_t>(column);
    const std::uint64_t* eq = pattern.row(text[column - 1]);

    // A word entering the band starts from the column before as if every
    // row below the previous word grew by one: a real path (straight down),
    // hence never below the true values, which is all the band needs.
    const auto wanted_last = static_cast<std::size_t>((band.last_row(j) - 1) / 64);
    while (last_word < wanted_last) {
      ++last_word;
      vp[last_word] = kAllOnes;
      vn[last_word] = 0;
      score += rows_in_word(m, last_word);
    }
    // A word leaving the band is dropped; the word below then sees a +1
    // horizontal difference above it, again a real path (straight right).
    first_word = std::max(first_word, static_cast<std::size_t>((band.first_row(j) - 1) / 64));

    const std::int64_t diagonal_row = j - delta;  // 1-based; the band always holds it
    const std::size_t diagonal_word =
        diagonal_row >= 1 ? static_cast<std::size_t>((diagonal_row - 1) / 64) : words;
    std::uint64_t diagonal_zeros = 0;

    std::uint64_t carry = 0;
    std::uint64_t hp_in = 1;
    std::uint64_t hn_in = 0;
    std::uint64_t hp = 0;
    std::uint64_t hn = 0;
    for (std::size_t w = first_word; w <= last_word; ++w) {
      const std::uint64_t x = eq[w] | vn[w];
      const std::uint64_t d0 = (add_with_carry(x & vp[w], vp[w], carry) ^ vp[w]) | x;
      hp = vn[w] | ~(d0 | vp[w]);
      hn = d0 & vp[w];
      if (w == diagonal_word) diagonal_zeros = d0;
      const std::uint64_t hp_shifted = (hp << 1) | hp_in;
      const std::uint64_t hn_shifted = (hn << 1) | hn_in;
      hp_in = hp >> 63;
      hn_in = hn >> 63;
      vp[w] = hn_shifted | ~(d0 | hp_shifted);
      vn[w] = hp_shifted & d0;
    }
    const std::uint64_t bottom = last_word + 1 == words ? last : kTopBit;
    score += (hp & bottom) ? 1 : 0;
    score -= (hn & bottom) ? 1 : 0;
    if (diagonal_word < words) {
      diagonal += 1 - ((diagonal_zeros >> ((diagonal_row - 1) % 64)) & 1);
      if (diagonal > bound) {
        return {false, diagonal, static_cast<std::uint64_t>(j - std::max<std::int64_t>(0, delta))};
      }
    }
  }
  return {score <= bound, score, std::min(m, text.size())};
}

template <class Pattern>
std::uint64_t word_distance(const Pattern& pattern, std::size_t m, Symbols text) {
  if (m == 0) return text.size();
  WordColumn<Pattern> column(pattern, m);
  for (const Symbol c : text) column.advance(c);
  return column.distance(text.size());
}

template <class Pattern>
std::optional<std::uint64_t> word_distance_bounded(const Pattern& pattern, std::size_t m,
                                                   Symbols text, std::uint64_t bound) {
  const std::size_t n = text.size();
  if (length_difference(m, n) > bound) return std::nullopt;
  if (m == 0) return n;
  if (bound >= std::max(m, n)) return word_distance(pattern, m, text);
  WordColumn<Pattern> column(pattern, m);
  return within_bound(column, m, text, bound);
}

}  // namespace

std::uint64_t levenshtein_word(WordPattern pattern, Symbols text) {
  return word_distance(pattern, pattern.length, text);
}

std::optional<std::uint64_t> levenshtein_word_bounded(WordPattern pattern, Symbols text,
                                                      std::uint64_t bound) {
  return word_distance_bounded(pattern, pattern.length, text, bound);
}

std::uint64_t levenshtein_short(const PatternMatchShort& pattern, Symbols text) {
  return word_distance(pattern, pattern.length(), text);
}

std::optional<std::uint64_t> levenshtein_short_bounded(const PatternMatchShort& pattern,
                                                       Symbols text, std::uint64_t bound) {
  return word_distance_bounded(pattern, pattern.length(), text, bound);
}

std::uint64_t levenshtein_two_words(const PatternMatchTwoWords& pattern, Symbols text) {
  TwoWordColumn column(pattern);
  for (const Symbol c : text) column.advance(c);
  return column.distance(text.size());
}

std::optional<std::uint64_t> levenshtein_two_words_bounded(const PatternMatchTwoWords& pattern,
                                                           Symbols text, std::uint64_t bound) {
  const std::size_t m = pattern.length();
  const std::size_t n = text.size();
  if (length_difference(m, n) > bound) return std::nullopt;
  if (bound >= std::max(m, n)) return levenshtein_two_words(pattern, text);
  TwoWordColumn column(pattern);
  return within_bound(column, m, text, bound);
}

std::uint64_t levenshtein_blocks(const PatternMatchBlocks& pattern, Symbols text,
                                 StringWorkspace& workspace) {
  if (pattern.length() == 0) return text.size();
  // No distance exceeds the longer length, so the full band always ends
  // the schedule with the distance.
  BandSchedule schedule(pattern.length(), text.size());
  while (true) {
    const BandPass pass = blocks_in_band(pattern, text, schedule.bound(), workspace);
    if (pass.within || schedule.full()) return pass.value;
    schedule.failed(pass.value, pass.steps);
  }
}

std::optional<std::uint64_t> levenshtein_blocks_bounded(const PatternMatchBlocks& pattern,
                                                        Symbols text, std::uint64_t bound,
                                                        StringWorkspace& workspace) {
  const std::size_t m = pattern.length();
  const std::size_t n = text.size();
  if (length_difference(m, n) > bound) return std::nullopt;
  if (m == 0) return n;
  const BandPass pass =
      blocks_in_band(pattern, text, std::min<std::uint64_t>(bound, std::max(m, n)), workspace);
  if (!pass.within) return std::nullopt;
  return pass.value;
}

std::uint64_t levenshtein_bit_parallel(Symbols pattern, Symbols text, StringWorkspace& workspace) {
  if (fits_short_table(pattern, text)) {
    return run_with_table<PatternMatchShort>(
        [&](const PatternMatchShort& table) { return levenshtein_short(table, text); }, pattern);
  }
  if (pattern.size() <= PatternMatchWord::kMaxLength) {
    return run_with_table<PatternMatchWord>(
        [&](const PatternMatchWord& table) {
          return levenshtein_word({&table, 0, pattern.size()}, text);
        },
        pattern, text);
  }
  if (pattern.size() <= PatternMatchTwoWords::kMaxLength) {
    return run_with_table<PatternMatchTwoWords>(
        [&](const PatternMatchTwoWords& table) { return levenshtein_two_words(table, text); },
        pattern, text);
  }
  workspace.buffers().pattern_blocks.assign(pattern);
  return levenshtein_blocks(workspace.buffers().pattern_blocks, text, workspace);
}

std::optional<std::uint64_t> levenshtein_bit_parallel_bounded(Symbols pattern, Symbols text,
                                                              std::uint64_t bound,
                                                              StringWorkspace& workspace) {
  // Settled before any table is built.
  if (length_difference(pattern.size(), text.size()) > bound) return std::nullopt;
  if (fits_short_table(pattern, text)) {
    return run_with_table<PatternMatchShort>(
        [&](const PatternMatchShort& table) {
          return levenshtein_short_bounded(table, text, bound);
        },
        pattern);
  }
  if (pattern.size() <= PatternMatchWord::kMaxLength) {
    return run_with_table<PatternMatchWord>(
        [&](const PatternMatchWord& table) {
          return levenshtein_word_bounded({&table, 0, pattern.size()}, text, bound);
        },
        pattern, text);
  }
  if (pattern.size() <= PatternMatchTwoWords::kMaxLength) {
    return run_with_table<PatternMatchTwoWords>(
        [&](const PatternMatchTwoWords& table) {
          return levenshtein_two_words_bounded(table, text, bound);
        },
        pattern, text);
  }
  workspace.buffers().pattern_blocks.assign(pattern);
  return levenshtein_blocks_bounded(workspace.buffers().pattern_blocks, text, bound, workspace);
}

}  // namespace lumra::kernels
