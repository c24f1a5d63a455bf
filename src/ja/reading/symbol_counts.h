// SymbolCounts: how many symbols of each class a string holds, for a lower
// bound on the edit distance of strings that have little in common.
//
// Every edit operation changes the count of at most one class on each side,
// and a symbol of one string kept in an alignment (matched or substituted
// with one of the same class) uses up a symbol of that class in the other.
// So for any partition of the symbols into classes, the distance between x
// and y is at least the number of x's symbols that y has no symbol of their
// class for: the sum over classes of max(0, x_c - y_c), and the same the
// other way round. Strings that differ in content but not in length, which
// the length gap alone says nothing about, differ in their counts.
//
// Romaji is lower-case ASCII letters and the dash: each of those is a class
// of its own; everything else (raw ASCII, punctuation) shares a few classes.
// Counts saturate at 255, which callers read as "255 or more".
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "core/base/symbols.h"

namespace lumra::ja {

inline constexpr std::size_t kSymbolClassCount = 32;

constexpr std::size_t symbol_class(Symbol symbol) {
  if (symbol >= 'a' && symbol <= 'z') return symbol - 'a';
  if (symbol == '-') return 26;
  return 27 + symbol % 5;
}

using SymbolCounts = std::array<std::uint8_t, kSymbolClassCount>;

inline std::uint8_t saturating_add(std::uint8_t a, std::uint8_t b) {
  const unsigned sum = unsigned{a} + b;
  return static_cast<std::uint8_t>(std::min(sum, 255u));
}

}  // namespace lumra::ja
