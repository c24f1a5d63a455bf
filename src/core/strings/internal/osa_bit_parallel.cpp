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

#include "core/strings/internal/banded_blocks.h"
#include "core/strings/internal/bit_parallel.h"
#include "core/strings/internal/column_kernels.h"
#include "core/strings/internal/osa_kernels.h"

namespace lumra::internal {


namespace {

template <class Pattern>
struct WordColumn : WordState {
  const Pattern& pattern;
  std::size_t length;
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
    step(matches | (crossing & ~(d0 << 1)));
    previous_eq = eq;
  }
  std::uint64_t distance(std::size_t columns) const { return WordState::distance(columns, length); }
};

// The same step over N words; the top bits of each word's masks and
// diagonal zeros shift into the bottom of the word above, where a
// transposition may cross from one word to the next.
template <std::size_t N>
struct WordsColumn : WordsState<N> {
  const PatternMatchWords<N>& pattern;
  const std::uint64_t* previous_eq;  // no transposition into the first column

  explicit WordsColumn(const PatternMatchWords<N>& p) : pattern(p), previous_eq(p.zero_row()) {}

  void advance(Symbol c) {
    const std::uint64_t* eq = pattern.get(c);
    std::uint64_t x[N];
    std::uint64_t eq_in = 0;
    std::uint64_t d0_in = 0;
    for (std::size_t w = 0; w < N; ++w) {
      const std::uint64_t eq_shifted = (eq[w] << 1) | eq_in;
      const std::uint64_t d0_shifted = (this->d0[w] << 1) | d0_in;
      eq_in = eq[w] >> 63;
      d0_in = this->d0[w] >> 63;
      x[w] = eq[w] | this->vn[w] | (eq_shifted & previous_eq[w] & ~d0_shifted);
    }
    previous_eq = eq;
    this->step(x);
  }
  std::uint64_t distance(std::size_t columns) const {
    return WordsState<N>::distance(columns, pattern.length());
  }
};

// The transpositions as a further source of diagonal zeros in the
// multi-word kernel. A transposition into the top row of a word starts in
// the word above; when that word was not computed for the previous column
// (it has left the band) its diagonal zeros read as all ones, which offers
// none.
class OsaWords {
 public:
  // No transposition reaches into the first column.
  explicit OsaWords(const PatternMatchBlocks& pattern) : previous_eq_(pattern.zero_row()) {}

  void begin_column(const std::uint64_t* eq, const std::uint64_t* d0, std::size_t first_word) {
    transposed_in_ = first_word > 0 ? ((~d0[first_word - 1] & eq[first_word - 1]) >> 63) : 0;
  }
  std::uint64_t matches(std::size_t w, const std::uint64_t* eq, const std::uint64_t* vn,
                        const std::uint64_t* d0) {
    const std::uint64_t candidates = ~d0[w] & eq[w];
    const std::uint64_t transposed = ((candidates << 1) | transposed_in_) & previous_eq_[w];
    transposed_in_ = candidates >> 63;
    return eq[w] | vn[w] | transposed;
  }
  void end_column(const std::uint64_t* eq, std::uint64_t* d0, std::size_t first_word) {
    // The word above the band was not computed for this column: from the
    // next column on it offers no transposition.
    if (first_word > 0) d0[first_word - 1] = kAllOnes;
    previous_eq_ = eq;
  }

 private:
  const std::uint64_t* previous_eq_;
  std::uint64_t transposed_in_ = 0;
};

}  // namespace

std::uint64_t osa_word(WordPattern pattern, Symbols text) {
  return column_distance<WordColumn<WordPattern>>(pattern.length, text, pattern, pattern.length);
}

BoundedDistance osa_word_bounded(WordPattern pattern, Symbols text, std::uint64_t bound) {
  return column_distance_within<WordColumn<WordPattern>>(pattern.length, text, bound, pattern,
                                                         pattern.length);
}

std::uint64_t osa_short(const PatternMatchShort& pattern, Symbols text) {
  return column_distance<WordColumn<PatternMatchShort>>(pattern.length(), text, pattern,
                                                        pattern.length());
}

BoundedDistance osa_short_bounded(const PatternMatchShort& pattern, Symbols text,
                                  std::uint64_t bound) {
  return column_distance_within<WordColumn<PatternMatchShort>>(pattern.length(), text, bound,
                                                               pattern, pattern.length());
}

template <std::size_t N>
std::uint64_t osa_words(const PatternMatchWords<N>& pattern, Symbols text) {
  return column_distance<WordsColumn<N>>(pattern.length(), text, pattern);
}

template <std::size_t N>
BoundedDistance osa_words_bounded(const PatternMatchWords<N>& pattern, Symbols text,
                                  std::uint64_t bound) {
  return column_distance_within<WordsColumn<N>>(pattern.length(), text, bound, pattern);
}

template std::uint64_t osa_words(const PatternMatchWords<2>&, Symbols);
template std::uint64_t osa_words(const PatternMatchWords<3>&, Symbols);
template std::uint64_t osa_words(const PatternMatchWords<4>&, Symbols);
template BoundedDistance osa_words_bounded(const PatternMatchWords<2>&, Symbols, std::uint64_t);
template BoundedDistance osa_words_bounded(const PatternMatchWords<3>&, Symbols, std::uint64_t);
template BoundedDistance osa_words_bounded(const PatternMatchWords<4>&, Symbols, std::uint64_t);

std::uint64_t osa_blocks(const PatternMatchBlocks& pattern, Symbols text,
                         StringWorkspace& workspace) {
  return blocks_distance<OsaWords>(pattern, text, workspace);
}

BoundedDistance osa_blocks_bounded(const PatternMatchBlocks& pattern, Symbols text,
                                   std::uint64_t bound, StringWorkspace& workspace) {
  return blocks_distance_within<OsaWords>(pattern, text, bound, workspace);
}

namespace {

// The kernel for each table with_pattern_table() may pick.
struct Unbounded {
  Symbols text;
  StringWorkspace& workspace;
  std::uint64_t operator()(const PatternMatchShort& t) const { return osa_short(t, text); }
  // Run in place, so that the table's zero offset is known to the loop.
  std::uint64_t operator()(WordPattern t) const {
    return column_distance<WordColumn<WordPattern>>(t.length, text, t, t.length);
  }
  template <std::size_t N>
  std::uint64_t operator()(const PatternMatchWords<N>& t) const {
    return osa_words(t, text);
  }
  std::uint64_t operator()(const PatternMatchBlocks& t) const {
    return osa_blocks(t, text, workspace);
  }
};

struct Bounded {
  Symbols text;
  std::uint64_t bound;
  StringWorkspace& workspace;
  BoundedDistance operator()(const PatternMatchShort& t) const {
    return osa_short_bounded(t, text, bound);
  }
  BoundedDistance operator()(WordPattern t) const {
    return column_distance_within<WordColumn<WordPattern>>(t.length, text, bound, t, t.length);
  }
  template <std::size_t N>
  BoundedDistance operator()(const PatternMatchWords<N>& t) const {
    return osa_words_bounded(t, text, bound);
  }
  BoundedDistance operator()(const PatternMatchBlocks& t) const {
    return osa_blocks_bounded(t, text, bound, workspace);
  }
};

}  // namespace

std::uint64_t osa_bit_parallel(Symbols pattern, Symbols text, StringWorkspace& workspace) {
  return with_pattern_table(pattern, text, workspace, Unbounded{text, workspace});
}

BoundedDistance osa_bit_parallel_bounded(Symbols pattern, Symbols text, std::uint64_t bound,
                                         StringWorkspace& workspace) {
  if (length_difference(pattern.size(), text.size()) > bound) return {false, 0};
  return with_pattern_table(pattern, text, workspace, Bounded{text, bound, workspace});
}

}  // namespace lumra::internal
