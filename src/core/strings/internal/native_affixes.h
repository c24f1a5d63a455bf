// Common prefix and suffix lengths of texts kept as code units of 1, 2 or 4
// bytes each, possibly of different widths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "core/base/symbols.h"
#include "core/strings/internal/affixes.h"

namespace lumra::internal {

// The number of leading positions below `length` where a and b agree. Texts
// of one width are compared eight bytes at a time first: near copies share
// long stretches, unrelated texts differ at once.
template <class A, class B>
std::size_t native_prefix_length(const A* a, const B* b, std::size_t length) {
  if constexpr (std::is_same_v<A, Symbol> && std::is_same_v<B, Symbol>) {
    return common_prefix_length(a, b, length);
  } else {
    std::size_t p = 0;
    if constexpr (std::is_same_v<A, B>) {
      constexpr std::size_t kPerWord = 8 / sizeof(A);
      for (; p + kPerWord <= length; p += kPerWord) {
        std::uint64_t x = 0;
        std::uint64_t y = 0;
        std::memcpy(&x, a + p, 8);
        std::memcpy(&y, b + p, 8);
        if (x != y) break;
      }
    }
    while (p < length && Symbol{a[p]} == Symbol{b[p]}) ++p;
    return p;
  }
}

// The same counted backwards from a + length and b + length.
template <class A, class B>
std::size_t native_suffix_length(const A* a, const B* b, std::size_t length) {
  std::size_t s = 0;
  if constexpr (std::is_same_v<A, B>) {
    constexpr std::size_t kPerWord = 8 / sizeof(A);
    for (; s + kPerWord <= length; s += kPerWord) {
      std::uint64_t x = 0;
      std::uint64_t y = 0;
      std::memcpy(&x, a + length - s - kPerWord, 8);
      std::memcpy(&y, b + length - s - kPerWord, 8);
      if (x != y) break;
    }
  }
  while (s < length && Symbol{a[length - 1 - s]} == Symbol{b[length - 1 - s]}) ++s;
  return s;
}

}  // namespace lumra::internal
