// Removal of the common prefix and suffix of two symbol sequences.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "core/symbols.h"

namespace lumra {

// Returns the middles of `left` and `right` after removing their longest
// common prefix and then their longest common suffix. The suffix never
// overlaps the prefix in either sequence.
std::pair<Symbols, Symbols> strip_common_affixes(Symbols left, Symbols right);

// The number of leading positions below `length` where `a` and `b` agree.
// Near-copies of long texts share most of their symbols, so the scan goes
// eight symbols per step, then four, before it looks for the first
// difference. Unrelated texts mostly differ at once, which the first
// comparison settles.
inline std::size_t common_prefix_length(const Symbol* a, const Symbol* b, std::size_t length) {
  if (length == 0 || a[0] != b[0]) return 0;
  std::size_t p = 0;
  for (; p + 8 <= length; p += 8) {
    std::uint64_t a0, a1, a2, a3, b0, b1, b2, b3;
    std::memcpy(&a0, a + p, 8);
    std::memcpy(&a1, a + p + 2, 8);
    std::memcpy(&a2, a + p + 4, 8);
    std::memcpy(&a3, a + p + 6, 8);
    std::memcpy(&b0, b + p, 8);
    std::memcpy(&b1, b + p + 2, 8);
    std::memcpy(&b2, b + p + 4, 8);
    std::memcpy(&b3, b + p + 6, 8);
    if (((a0 ^ b0) | (a1 ^ b1) | (a2 ^ b2) | (a3 ^ b3)) != 0) break;
  }
  for (; p + 4 <= length; p += 4) {
    std::uint64_t a0, a1, b0, b1;
    std::memcpy(&a0, a + p, 8);
    std::memcpy(&a1, a + p + 2, 8);
    std::memcpy(&b0, b + p, 8);
    std::memcpy(&b1, b + p + 2, 8);
    if (((a0 ^ b0) | (a1 ^ b1)) != 0) break;
  }
  while (p < length && a[p] == b[p]) ++p;
  return p;
}

// The same from the ends: positions counted backwards from a + length and
// b + length.
inline std::size_t common_suffix_length(const Symbol* a, const Symbol* b, std::size_t length) {
  if (length == 0 || a[length - 1] != b[length - 1]) return 0;
  std::size_t s = 0;
  for (; s + 8 <= length; s += 8) {
    std::uint64_t a0, a1, a2, a3, b0, b1, b2, b3;
    std::memcpy(&a0, a + length - s - 8, 8);
    std::memcpy(&a1, a + length - s - 6, 8);
    std::memcpy(&a2, a + length - s - 4, 8);
    std::memcpy(&a3, a + length - s - 2, 8);
    std::memcpy(&b0, b + length - s - 8, 8);
    std::memcpy(&b1, b + length - s - 6, 8);
    std::memcpy(&b2, b + length - s - 4, 8);
    std::memcpy(&b3, b + length - s - 2, 8);
    if (((a0 ^ b0) | (a1 ^ b1) | (a2 ^ b2) | (a3 ^ b3)) != 0) break;
  }
  for (; s + 4 <= length; s += 4) {
    std::uint64_t a0, a1, b0, b1;
    std::memcpy(&a0, a + length - s - 4, 8);
    std::memcpy(&a1, a + length - s - 2, 8);
    std::memcpy(&b0, b + length - s - 4, 8);
    std::memcpy(&b1, b + length - s - 2, 8);
    if (((a0 ^ b0) | (a1 ^ b1)) != 0) break;
  }
  while (s < length && a[length - 1 - s] == b[length - 1 - s]) ++s;
  return s;
}

}  // namespace lumra
