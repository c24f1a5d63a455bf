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
// lower bound of the distance, passes the bound (column_kernels.h).
#include "core/banded_blocks.h"
#include "core/bit_parallel.h"
#include "core/column_kernels.h"
#include "core/levenshtein_kernels.h"

namespace lumra::kernels {

using bit_parallel::add_with_carry;
using bit_parallel::bottom_value;
using bit_parallel::low_bits;
using bit_parallel::kAllOnes;
using bit_parallel::length_difference;

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

// Levenshtein's diagonal zeros come from matches and from the vertical
// differences below them; the multi-word kernel needs nothing else.
struct LevenshteinWords {
  explicit LevenshteinWords(const PatternMatchBlocks&) {}
  void begin_column(const std::uint64_t*, const std::uint64_t*, std::size_t) {}
  std::uint64_t matches(std::size_t w, const std::uint64_t* eq, const std::uint64_t* vn,
                        const std::uint64_t*) const {
    return eq[w] | vn[w];
  }
  void end_column(const std::uint64_t*, std::uint64_t*, std::size_t) {}
};

}  // namespace

std::uint64_t levenshtein_word(WordPattern pattern, Symbols text) {
  return column_distance<WordColumn<WordPattern>>(pattern.length, text, pattern, pattern.length);
}

std::optional<std::uint64_t> levenshtein_word_bounded(WordPattern pattern, Symbols text,
                                                      std::uint64_t bound) {
  return within_or_nothing(column_distance_within<WordColumn<WordPattern>>(
      pattern.length, text, bound, pattern, pattern.length));
}

std::uint64_t levenshtein_short(const PatternMatchShort& pattern, Symbols text) {
  return column_distance<WordColumn<PatternMatchShort>>(pattern.length(), text, pattern,
                                                        pattern.length());
}

std::optional<std::uint64_t> levenshtein_short_bounded(const PatternMatchShort& pattern,
                                                       Symbols text, std::uint64_t bound) {
  return within_or_nothing(column_distance_within<WordColumn<PatternMatchShort>>(
      pattern.length(), text, bound, pattern, pattern.length()));
}

std::uint64_t levenshtein_two_words(const PatternMatchTwoWords& pattern, Symbols text) {
  return column_distance<TwoWordColumn>(pattern.length(), text, pattern);
}

std::optional<std::uint64_t> levenshtein_two_words_bounded(const PatternMatchTwoWords& pattern,
                                                           Symbols text, std::uint64_t bound) {
  return within_or_nothing(
      column_distance_within<TwoWordColumn>(pattern.length(), text, bound, pattern));
}

std::uint64_t levenshtein_blocks(const PatternMatchBlocks& pattern, Symbols text,
                                 StringWorkspace& workspace) {
  return blocks_distance<LevenshteinWords>(pattern, text, workspace);
}

std::optional<std::uint64_t> levenshtein_blocks_bounded(const PatternMatchBlocks& pattern,
                                                        Symbols text, std::uint64_t bound,
                                                        StringWorkspace& workspace) {
  return within_or_nothing(blocks_distance_within<LevenshteinWords>(pattern, text, bound, workspace));
}

namespace {

// The kernel for each table with_pattern_table() may pick.
struct Unbounded {
  Symbols text;
  StringWorkspace& workspace;
  std::uint64_t operator()(const PatternMatchShort& t) const { return levenshtein_short(t, text); }
  std::uint64_t operator()(WordPattern t) const { return levenshtein_word(t, text); }
  std::uint64_t operator()(const PatternMatchTwoWords& t) const {
    return levenshtein_two_words(t, text);
  }
  std::uint64_t operator()(const PatternMatchBlocks& t) const {
    return levenshtein_blocks(t, text, workspace);
  }
};

struct Bounded {
  Symbols text;
  std::uint64_t bound;
  StringWorkspace& workspace;
  std::optional<std::uint64_t> operator()(const PatternMatchShort& t) const {
    return levenshtein_short_bounded(t, text, bound);
  }
  std::optional<std::uint64_t> operator()(WordPattern t) const {
    return levenshtein_word_bounded(t, text, bound);
  }
  std::optional<std::uint64_t> operator()(const PatternMatchTwoWords& t) const {
    return levenshtein_two_words_bounded(t, text, bound);
  }
  std::optional<std::uint64_t> operator()(const PatternMatchBlocks& t) const {
    return levenshtein_blocks_bounded(t, text, bound, workspace);
  }
};

}  // namespace

std::uint64_t levenshtein_bit_parallel(Symbols pattern, Symbols text, StringWorkspace& workspace) {
  return with_pattern_table(pattern, text, workspace, Unbounded{text, workspace});
}

std::optional<std::uint64_t> levenshtein_bit_parallel_bounded(Symbols pattern, Symbols text,
                                                              std::uint64_t bound,
                                                              StringWorkspace& workspace) {
  // Settled before any table is built.
  if (length_difference(pattern.size(), text.size()) > bound) return std::nullopt;
  // Past two words, a small bound needs neither a table of all the
  // pattern's words nor more than one word sliding along its band.
  if (pattern.size() > PatternMatchTwoWords::kMaxLength &&
      fits_narrow_band(pattern.size(), text.size(), bound)) {
    return within_or_nothing(levenshtein_narrow_band(pattern, text, bound));
  }
  return with_pattern_table(pattern, text, workspace, Bounded{text, bound, workspace});
}

}  // namespace lumra::kernels
