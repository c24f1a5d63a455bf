// Bit-parallel Levenshtein kernels.
//
// One column of the table is held as two bit vectors over the pattern rows:
// vp (the value grows by one going down) and vn (it shrinks by one). Each
// text symbol advances the column with a handful of word operations. Row 0
// is 0, 1, 2, ... along the text, which enters as a +1 horizontal difference
// above the top row of every column. The one- to four-word kernels read the
// last row's value off the final column; the banded multi-word kernel, whose
// words come and go, keeps it as a running score.
//
// Bounded forms stop as soon as the value on the final cell's diagonal, a
// lower bound of the distance, passes the bound (column_kernels.h).
#include "core/strings/internal/banded_blocks.h"
#include "core/strings/internal/bit_parallel.h"
#include "core/strings/internal/column_kernels.h"
#include "core/strings/internal/levenshtein_kernels.h"

namespace lumra::internal {


namespace {

// The one-word kernel's column: the diagonal zeros come from the matches
// and the rows below a -1 vertical difference.
template <class Pattern>
struct WordColumn : WordState {
  const Pattern& pattern;
  std::size_t length;

  WordColumn(const Pattern& p, std::size_t m) : pattern(p), length(m) {}
  void advance(Symbol c) { step(pattern.get(c) | vn); }
  std::uint64_t distance(std::size_t columns) const { return WordState::distance(columns, length); }
};

template <std::size_t N>
struct WordsColumn : WordsState<N> {
  const PatternMatchWords<N>& pattern;

  explicit WordsColumn(const PatternMatchWords<N>& p) : pattern(p) {}
  void advance(Symbol c) {
    const std::uint64_t* eq = pattern.get(c);
    std::uint64_t x[N];
    for (std::size_t w = 0; w < N; ++w) x[w] = eq[w] | this->vn[w];
    this->step(x);
  }
  std::uint64_t distance(std::size_t columns) const {
    return WordsState<N>::distance(columns, pattern.length());
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

template <std::size_t N>
std::uint64_t levenshtein_words(const PatternMatchWords<N>& pattern, Symbols text) {
  return column_distance<WordsColumn<N>>(pattern.length(), text, pattern);
}

template <std::size_t N>
std::optional<std::uint64_t> levenshtein_words_bounded(const PatternMatchWords<N>& pattern,
                                                       Symbols text, std::uint64_t bound) {
  return within_or_nothing(
      column_distance_within<WordsColumn<N>>(pattern.length(), text, bound, pattern));
}

template std::uint64_t levenshtein_words(const PatternMatchWords<2>&, Symbols);
template std::uint64_t levenshtein_words(const PatternMatchWords<3>&, Symbols);
template std::uint64_t levenshtein_words(const PatternMatchWords<4>&, Symbols);
template std::optional<std::uint64_t> levenshtein_words_bounded(const PatternMatchWords<2>&,
                                                                Symbols, std::uint64_t);
template std::optional<std::uint64_t> levenshtein_words_bounded(const PatternMatchWords<3>&,
                                                                Symbols, std::uint64_t);
template std::optional<std::uint64_t> levenshtein_words_bounded(const PatternMatchWords<4>&,
                                                                Symbols, std::uint64_t);

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
  // Run in place, so that the table's zero offset is known to the loop.
  std::uint64_t operator()(WordPattern t) const {
    return column_distance<WordColumn<WordPattern>>(t.length, text, t, t.length);
  }
  template <std::size_t N>
  std::uint64_t operator()(const PatternMatchWords<N>& t) const {
    return levenshtein_words(t, text);
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
    return within_or_nothing(
        column_distance_within<WordColumn<WordPattern>>(t.length, text, bound, t, t.length));
  }
  template <std::size_t N>
  std::optional<std::uint64_t> operator()(const PatternMatchWords<N>& t) const {
    return levenshtein_words_bounded(t, text, bound);
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
  if (pattern.size() > PatternMatchWords<2>::kMaxLength &&
      fits_narrow_band(pattern.size(), text.size(), bound)) {
    return within_or_nothing(levenshtein_narrow_band(pattern, text, bound));
  }
  return with_pattern_table(pattern, text, workspace, Bounded{text, bound, workspace});
}

}  // namespace lumra::internal
