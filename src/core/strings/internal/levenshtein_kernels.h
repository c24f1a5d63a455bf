// The kernels behind levenshtein() and levenshtein_bounded().
//
// Callers go through levenshtein.h, which strips the common affixes and then
// picks a kernel. Every kernel returns identical results: the distance, and
// for the bounded forms the distance when it is at most the bound and
// nothing otherwise. The row kernel is the plain dynamic programme and the
// reference the faster ones are tested against.
//
// The bit-parallel kernels (Myers 1999, in Hyyrö's formulation for the whole
// string) run along the text and keep one column of the table as bit
// vectors of vertical differences, the pattern being the rows. They accept
// any lengths; the pattern is usually the shorter operand because the work
// grows with its number of 64-symbol words.
#pragma once

#include <cstdint>
#include <optional>

#include "core/strings/osa.h"
#include "core/strings/internal/pattern_match.h"
#include "core/strings/internal/pattern_match_words.h"
#include "core/strings/string_workspace.h"
#include "core/base/symbols.h"

namespace lumra::internal {

// Row-by-row dynamic programme with the row along `shorter`
// (len(shorter) <= len(longer)).
std::uint64_t levenshtein_rows(Symbols shorter, Symbols longer, StringWorkspace& workspace);
std::optional<std::uint64_t> levenshtein_rows_bounded(Symbols shorter, Symbols longer,
                                                      std::uint64_t bound,
                                                      StringWorkspace& workspace);

// One machine word: patterns of 1 to 64 symbols.
std::uint64_t levenshtein_word(WordPattern pattern, Symbols text);
std::optional<std::uint64_t> levenshtein_word_bounded(WordPattern pattern, Symbols text,
                                                      std::uint64_t bound);

// One word, the masks found by comparison (PatternMatchShort): patterns of
// up to 16 symbols.
std::uint64_t levenshtein_short(const PatternMatchShort& pattern, Symbols text);
std::optional<std::uint64_t> levenshtein_short_bounded(
    const PatternMatchShort& pattern, Symbols text, std::uint64_t bound);

// N = 2..4 machine words: patterns of 64 * (N - 1) + 1 to 64 * N symbols,
// the whole column in registers.
template <std::size_t N>
std::uint64_t levenshtein_words(const PatternMatchWords<N>& pattern, Symbols text);
template <std::size_t N>
std::optional<std::uint64_t> levenshtein_words_bounded(const PatternMatchWords<N>& pattern,
                                                       Symbols text, std::uint64_t bound);

// Any pattern of at least one symbol, 64 per word. The bounded form only
// computes the words that meet the diagonal band of the bound.
std::uint64_t levenshtein_blocks(const PatternMatchBlocks& pattern, Symbols text,
                                 StringWorkspace& workspace);
std::optional<std::uint64_t> levenshtein_blocks_bounded(const PatternMatchBlocks& pattern,
                                                        Symbols text, std::uint64_t bound,
                                                        StringWorkspace& workspace);

// One word sliding along the diagonal band of a bound of at most
// kNarrowBandMaxBound (see levenshtein_narrow_band.cpp); the texts must be
// non-empty, their length difference within the bound and the bound below
// the longer length (fits_narrow_band()).
inline constexpr std::uint64_t kNarrowBandMaxBound = 63;
bool fits_narrow_band(std::size_t m, std::size_t n, std::uint64_t bound);
BoundedDistance levenshtein_narrow_band(Symbols pattern, Symbols text, std::uint64_t bound);
// The same with the pattern's masks cut out of a multi-word table: the
// pattern is the table's positions offset .. offset + length - 1, which
// lets a cached query skip a prefix and a suffix it shares with a text.
BoundedDistance levenshtein_narrow_band(const PatternMatchBlocks& table, std::size_t offset,
                                        std::size_t length, Symbols text, std::uint64_t bound);

// Builds the masks of a non-empty `pattern` and runs the one-word or
// two- to four-word kernel when it fits, the multi-word one otherwise.
std::uint64_t levenshtein_bit_parallel(Symbols pattern, Symbols text, StringWorkspace& workspace);
std::optional<std::uint64_t> levenshtein_bit_parallel_bounded(Symbols pattern, Symbols text,
                                                              std::uint64_t bound,
                                                              StringWorkspace& workspace);

}  // namespace lumra::internal
