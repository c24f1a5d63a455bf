// Several one-word Levenshtein comparisons advanced side by side.
//
// A single comparison is bound by the latency of its column step: each
// column needs the previous one, a dozen dependent operations deep. A row
// of a batch matrix compares one query with many choices, and those
// comparisons are independent, so running four of them in lockstep keeps
// the processor busy, and with AVX2 the four columns fit one vector
// register. The distances are those of levenshtein_word, one by one.
#pragma once

#include <cstdint>
#include <span>

#include "core/base/cpu_features.h"
#include "core/strings/internal/pattern_match.h"
#include "core/base/symbols.h"

namespace lumra::internal {

struct WordComparison {
  WordPattern pattern;  // 1 to 64 rows
  Symbols text;
};

// distances[i] = levenshtein_word(comparisons[i].pattern, comparisons[i].text);
// takes the vector form when the processor has it.
void levenshtein_word_lanes(std::span<const WordComparison> comparisons, std::uint64_t* distances);

// The two forms, for tests: four comparisons in plain 64-bit lanes, and in
// one AVX2 register (only when avx2_available()).
void levenshtein_word_lanes_portable(std::span<const WordComparison> comparisons,
                                     std::uint64_t* distances);
void levenshtein_word_lanes_avx2(std::span<const WordComparison> comparisons,
                                 std::uint64_t* distances);

}  // namespace lumra::internal
