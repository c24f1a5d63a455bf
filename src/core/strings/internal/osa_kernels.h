// The kernels behind osa_distance() and osa_distance_bounded().
//
// The row kernel is the plain three-row programme, laid out along `right`
// with the outer loop along `left`; faster kernels must agree with it.
//
// The bit-parallel kernels follow Hyyrö (2003): the Levenshtein column step
// of Myers with one more source of diagonal zeros, the transpositions. They
// take a pattern (the rows) and a text (the columns) of any lengths; the
// distance is symmetric, so the shorter operand is usually the pattern.
#pragma once

#include <cstdint>

#include "core/strings/osa.h"
#include "core/strings/internal/pattern_match.h"
#include "core/strings/internal/pattern_match_words.h"

namespace lumra::internal {

// Both operands are non-empty.
std::uint64_t osa_rows(Symbols left, Symbols right, StringWorkspace& workspace);
BoundedDistance osa_rows_bounded(Symbols left, Symbols right, std::uint64_t bound,
                                 StringWorkspace& workspace);

// One machine word: patterns of 1 to 64 symbols.
std::uint64_t osa_word(WordPattern pattern, Symbols text);
BoundedDistance osa_word_bounded(WordPattern pattern, Symbols text, std::uint64_t bound);

// One word, the masks found by comparison (PatternMatchShort): patterns of
// up to 16 symbols.
std::uint64_t osa_short(const PatternMatchShort& pattern, Symbols text);
BoundedDistance osa_short_bounded(
    const PatternMatchShort& pattern, Symbols text, std::uint64_t bound);

// N = 2..4 machine words: patterns of 64 * (N - 1) + 1 to 64 * N symbols,
// the whole column in registers.
template <std::size_t N>
std::uint64_t osa_words(const PatternMatchWords<N>& pattern, Symbols text);
template <std::size_t N>
BoundedDistance osa_words_bounded(const PatternMatchWords<N>& pattern, Symbols text,
                                  std::uint64_t bound);

// Any pattern, 64 symbols per word; the bounded form only computes the words
// that meet the diagonal band of the bound.
std::uint64_t osa_blocks(const PatternMatchBlocks& pattern, Symbols text,
                         StringWorkspace& workspace);
BoundedDistance osa_blocks_bounded(const PatternMatchBlocks& pattern, Symbols text,
                                   std::uint64_t bound, StringWorkspace& workspace);

// Builds the masks of `pattern` and runs the one-word or two- to four-word
// kernel when it fits, the multi-word one otherwise.
std::uint64_t osa_bit_parallel(Symbols pattern, Symbols text, StringWorkspace& workspace);
BoundedDistance osa_bit_parallel_bounded(Symbols pattern, Symbols text, std::uint64_t bound,
                                         StringWorkspace& workspace);

}  // namespace lumra::internal
