// Bit-parallel restricted Damerau (optimal string alignment) kernels.
//
// The column step is the Levenshtein one (see levenshtein_bit_parallel.cpp)
// with transpositions as a further source of diagonal zeros. Cell (i, j)
// can be reached by transposing when pattern row i matches text symbol
// j - 1, pattern row i - 1 matches text symbol j, and cell (i - 1, j - 1)
// is one more than (i - 2, j - 2), i.e. was not a diagonal zero in the
// previous column. So each column keeps its diagonal-zero vector and the
// masks of the previous text symbol.
//
// The transposition bits join the other sources before the carry chain that
// spreads diagonal zeros down runs of +1 vertical differences. In a table
// computed from the start that changes nothing: a transposition into row i
// needs row i to match the previous text symbol, which made (i, j - 1) a
// diagonal zero, and (i - 1, j - 1) not to be one, so the difference from
// row i - 1 to row i in column j - 1 is at most 0 and no run passes there.
// Where the banded kernel starts a word from assumed values that argument
// does not hold, and the chain keeps the column an exact minimum anyway.
#include <algorithm>

#include "core/bit_parallel.h"
#include "core/bounded_scan.h"
#include "core/diagonal_band.h"
#include "core/osa_kernels.h"

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

template <class Pattern>
struct WordColumn {
  const Pattern& pattern;
  std::size_t length;
  std::uint64_t vp = kAllOnes;
  std::uint64_t vn = 0;
  std::uint64_t d0 = 0;
  std::uint64_t previous_eq = 0;  // no transposition into the first column

  WordColumn(const Pattern& p, std::size_t m) : pattern(p), length(m) {}

  void advance(Symbol c) {
    const std::uint64_t eq = pattern.get(c);
    // The parts that do not wait for the previous column's d0 come first,
    // leaving a shift, a complement and two logic operations between one
    // column's d0 and the next one's x. (eq << 1 has a clear bit 0, so the
    // complement may be taken after the shift.)
    const std::uint64_t crossing = (eq << 1) & previous_eq;
    const std::uint64_t matches = eq | vn;
    const std::uint64_t x = matches | (crossing & ~(d0 << 1));
    d0 = (((x & vp) + vp) ^ vp) | x;
    std::uint64_t hp = vn | ~(d0 | vp);
    std::uint64_t hn = d0 & vp;
    hp = (hp << 1) | 1;
    hn <<= 1;
    vp = hn | ~(d0 | hp);
    vn = hp & d0;
    previous_eq = eq;
  }
  std::uint64_t zero_at(std::size_t row) const { return (d0 >> row) & 1; }
  std::uint64_t distance(std::size_t columns) const {
    return bottom_value(columns, vp, vn, low_bits(length));
  }
};

// The same step over two words; the top bits of the low word's masks and
// diagonal zeros shift into the bottom of the high word, where a
// transposition may cross from one word to the other.
struct TwoWordColumn {
  const PatternMatchTwoWords& pattern;
  std::uint64_t vp[2] = {kAllOnes, kAllOnes};
  std::uint64_t vn[2] = {0, 0};
  std::uint64_t d0[2] = {0, 0};
  std::uint64_t previous_eq[2] = {0, 0};

  explicit TwoWordColumn(const PatternMatchTwoWords& p) : pattern(p) {}

  void advance(Symbol c) {
    const std::uint64_t eq[2] = {pattern.low(c), pattern.high(c)};
    const std::uint64_t eq_shifted[2] = {eq[0] << 1, (eq[1] << 1) | (eq[0] >> 63)};
    const std::uint64_t d0_shifted[2] = {d0[0] << 1, (d0[1] << 1) | (d0[0] >> 63)};
    std::uint64_t carry = 0;
    std::uint64_t hp[2];
    std::uint64_t hn[2];
    for (int w = 0; w < 2; ++w) {
      const std::uint64_t crossing = eq_shifted[w] & previous_eq[w];
      const std::uint64_t x = eq[w] | vn[w] | (crossing & ~d0_shifted[w]);
      d0[w] = (add_with_carry(x & vp[w], vp[w], carry) ^ vp[w]) | x;
      hp[w] = vn[w] | ~(d0[w] | vp[w]);
      hn[w] = d0[w] & vp[w];
      previous_eq[w] = eq[w];
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

// The multi-word kernel over the band of `bound` (see diagonal_band.h);
// needs m >= 1 and |n - m| <= bound <= max(m, n).
BandPass blocks_in_band(const PatternMatchBlocks& pattern, Symbols text, std::uint64_t bound,
                        StringWorkspace& workspace) {
  const std::size_t m = pattern.length();
  const std::size_t words = pattern.words();
  if (text.empty()) return {true, m, 0};
  const DiagonalBand band(m, text.size(), bound);

  workspace.buffers().bit_columns.resize(3 * words);
  std::uint64_t* vp = workspace.buffers().bit_columns.data();
  std::uint64_t* vn = vp + words;
  std::uint64_t* d0 = vn + words;  // of the previous column; all ones where unknown
  const std::uint64_t last = last_row_bit(m);

  // As in the Levenshtein kernel, only the last word's bottom value is kept.
  std::size_t first_word = 0;
  std::size_t last_word = 0;
  vp[0] = kAllOnes;
  vn[0] = 0;
  d0[0] = kAllOnes;
  std::uint64_t score = rows_in_word(m, 0);

  const std::int64_t delta = band.delta();
  std::uint64_t diagonal = length_difference(m, text.size());
  // No transposition reaches into the first column.
  const std::uint64_t* previous_eq = pattern.zero_row();

  for (std::size_t column = 1; column <= text.size(); ++column) {
    const auto j = static_cast<std::int64_t>(column);
    const std::uint64_t* eq = pattern.row(text[column - 1]);

    // Words entering the band start from assumed values (straight down from
    // the word above, a real path) and with no transposition out of their
    // unknown previous column.
    const auto wanted_last = static_cast<std::size_t>((band.last_row(j) - 1) / 64);
    while (last_word < wanted_last) {
      ++last_word;
      vp[last_word] = kAllOnes;
      vn[last_word] = 0;
      d0[last_word] = kAllOnes;
      score += rows_in_word(m, last_word);
    }
    first_word = std::max(first_word, static_cast<std::size_t>((band.first_row(j) - 1) / 64));

    const std::int64_t diagonal_row = j - delta;
    const std::size_t diagonal_word =
        diagonal_row >= 1 ? static_cast<std::size_t>((diagonal_row - 1) / 64) : words;

    std::uint64_t carry = 0;
    std::uint64_t hp_in = 1;
    std::uint64_t hn_in = 0;
    std::uint64_t hp = 0;
    std::uint64_t hn = 0;
    // A transposition into the top row of the first word starts in the word
    // above; its diagonal zeros are known when it was computed for the
    // previous column and all ones (no transposition) otherwise.
    std::uint64_t transposed_in =
        first_word > 0 ? ((~d0[first_word - 1] & eq[first_word - 1]) >> 63) : 0;
    for (std::size_t w = first_word; w <= last_word; ++w) {
      const std::uint64_t candidates = ~d0[w] & eq[w];
      const std::uint64_t transposed = ((candidates << 1) | transposed_in) & previous_eq[w];
      transposed_in = candidates >> 63;
      const std::uint64_t x = eq[w] | vn[w] | transposed;
      const std::uint64_t zero = (add_with_carry(x & vp[w], vp[w], carry) ^ vp[w]) | x;
      hp = vn[w] | ~(zero | vp[w]);
      hn = zero & vp[w];
      const std::uint64_t hp_shifted = (hp << 1) | hp_in;
      const std::uint64_t hn_shifted = (hn << 1) | hn_in;
      hp_in = hp >> 63;
      hn_in = hn >> 63;
      vp[w] = hn_shifted | ~(zero | hp_shifted);
      vn[w] = hp_shifted & zero;
      d0[w] = zero;
    }
    const std::uint64_t bottom = last_word + 1 == words ? last : kTopBit;
    score += (hp & bottom) ? 1 : 0;
    score -= (hn & bottom) ? 1 : 0;
    // The word above the band was not computed for this column: from the
    // next column on it offers no transposition.
    if (first_word > 0) d0[first_word - 1] = kAllOnes;
    previous_eq = eq;
    if (diagonal_word < words) {
      // The band always holds the final diagonal, so its word was computed.
      diagonal += 1 - ((d0[diagonal_word] >> ((diagonal_row - 1) % 64)) & 1);
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
BoundedDistance word_distance_bounded(const Pattern& pattern, std::size_t m, Symbols text,
                                      std::uint64_t bound) {
  const std::size_t n = text.size();
  if (length_difference(m, n) > bound) return {false, 0};
  if (m == 0) return {true, n};
  if (bound >= std::max(m, n)) return {true, word_distance(pattern, m, text)};
  WordColumn<Pattern> column(pattern, m);
  return scan_within_bound(column, m, text, bound);
}

}  // namespace

std::uint64_t osa_word(WordPattern pattern, Symbols text) {
  return word_distance(pattern, pattern.length, text);
}

BoundedDistance osa_word_bounded(WordPattern pattern, Symbols text, std::uint64_t bound) {
  return word_distance_bounded(pattern, pattern.length, text, bound);
}

std::uint64_t osa_short(const PatternMatchShort& pattern, Symbols text) {
  return word_distance(pattern, pattern.length(), text);
}

BoundedDistance osa_short_bounded(const PatternMatchShort& pattern, Symbols text,
                                  std::uint64_t bound) {
  return word_distance_bounded(pattern, pattern.length(), text, bound);
}

std::uint64_t osa_two_words(const PatternMatchTwoWords& pattern, Symbols text) {
  TwoWordColumn column(pattern);
  for (const Symbol c : text) column.advance(c);
  return column.distance(text.size());
}

BoundedDistance osa_two_words_bounded(const PatternMatchTwoWords& pattern, Symbols text,
                                      std::uint64_t bound) {
  const std::size_t m = pattern.length();
  const std::size_t n = text.size();
  if (length_difference(m, n) > bound) return {false, 0};
  if (bound >= std::max(m, n)) return {true, osa_two_words(pattern, text)};
  TwoWordColumn column(pattern);
  return scan_within_bound(column, m, text, bound);
}

std::uint64_t osa_blocks(const PatternMatchBlocks& pattern, Symbols text,
                         StringWorkspace& workspace) {
  if (pattern.length() == 0) return text.size();
  BandSchedule schedule(pattern.length(), text.size());
  while (true) {
    const BandPass pass = blocks_in_band(pattern, text, schedule.bound(), workspace);
    if (pass.within || schedule.full()) return pass.value;
    schedule.failed(pass.value, pass.steps);
  }
}

BoundedDistance osa_blocks_bounded(const PatternMatchBlocks& pattern, Symbols text,
                                   std::uint64_t bound, StringWorkspace& workspace) {
  const std::size_t m = pattern.length();
  const std::size_t n = text.size();
  if (length_difference(m, n) > bound) return {false, 0};
  if (m == 0) return {true, n};
  const BandPass pass =
      blocks_in_band(pattern, text, std::min<std::uint64_t>(bound, std::max(m, n)), workspace);
  return {pass.within, pass.value};
}

std::uint64_t osa_bit_parallel(Symbols pattern, Symbols text, StringWorkspace& workspace) {
  if (fits_short_table(pattern, text)) {
    return run_with_table<PatternMatchShort>(
        [&](const PatternMatchShort& table) { return osa_short(table, text); }, pattern);
  }
  if (pattern.size() <= PatternMatchWord::kMaxLength) {
    return run_with_table<PatternMatchWord>(
        [&](const PatternMatchWord& table) { return osa_word({&table, 0, pattern.size()}, text); },
        pattern, text);
  }
  if (pattern.size() <= PatternMatchTwoWords::kMaxLength) {
    return run_with_table<PatternMatchTwoWords>(
        [&](const PatternMatchTwoWords& table) { return osa_two_words(table, text); }, pattern,
        text);
  }
  workspace.buffers().pattern_blocks.assign(pattern);
  return osa_blocks(workspace.buffers().pattern_blocks, text, workspace);
}

BoundedDistance osa_bit_parallel_bounded(Symbols pattern, Symbols text, std::uint64_t bound,
                                         StringWorkspace& workspace) {
  if (length_difference(pattern.size(), text.size()) > bound) return {false, 0};
  if (fits_short_table(pattern, text)) {
    return run_with_table<PatternMatchShort>(
        [&](const PatternMatchShort& table) { return osa_short_bounded(table, text, bound); },
        pattern);
  }
  if (pattern.size() <= PatternMatchWord::kMaxLength) {
    return run_with_table<PatternMatchWord>(
        [&](const PatternMatchWord& table) {
          return osa_word_bounded({&table, 0, pattern.size()}, text, bound);
        },
        pattern, text);
  }
  if (pattern.size() <= PatternMatchTwoWords::kMaxLength) {
    return run_with_table<PatternMatchTwoWords>(
        [&](const PatternMatchTwoWords& table) {
          return osa_two_words_bounded(table, text, bound);
        },
        pattern, text);
  }
  workspace.buffers().pattern_blocks.assign(pattern);
  return osa_blocks_bounded(workspace.buffers().pattern_blocks, text, bound, workspace);
}

}  // namespace lumra::kernels
