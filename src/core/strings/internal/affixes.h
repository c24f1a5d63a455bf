// Removal of the common prefix and suffix of two symbol sequences.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/base/symbols.h"

namespace lumra::internal {

// Returns the middles of `left` and `right` after removing their longest
// common prefix and then their longest common suffix. The suffix never
// overlaps the prefix in either sequence.
std::pair<Symbols, Symbols> strip_common_affixes(Symbols left, Symbols right);

#if defined(__SSE2__)
// Whether a[0..16) equals b[0..16), compared four symbols at a time.
inline bool equal_16(const Symbol* a, const Symbol* b) {
  const auto load = [](const Symbol* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  };
  const __m128i low = _mm_and_si128(_mm_cmpeq_epi32(load(a), load(b)),
                                    _mm_cmpeq_epi32(load(a + 4), load(b + 4)));
  const __m128i high = _mm_and_si128(_mm_cmpeq_epi32(load(a + 8), load(b + 8)),
                                     _mm_cmpeq_epi32(load(a + 12), load(b + 12)));
  return _mm_movemask_epi8(_mm_and_si128(low, high)) == 0xFFFF;
}
#endif

// The number of leading positions below `length` where `a` and `b` agree.
// Near-copies of long texts share most of their symbols, so the scan goes
// sixteen symbols per step (where SSE2 is there), then eight, then four,
// before it looks for the first difference. Unrelated texts mostly differ at once, which the first
// comparison settles.
inline std::size_t common_prefix_length(const Symbol* a, const Symbol* b, std::size_t length) {
  if (length == 0 || a[0] != b[0]) return 0;
  std::size_t p = 0;
#if defined(__SSE2__)
  for (; p + 16 <= length; p += 16) {
    if (!equal_16(a + p, b + p)) break;
  }
#endif
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
#if defined(__SSE2__)
  for (; s + 16 <= length; s += 16) {
    if (!equal_16(a + length - s - 16, b + length - s - 16)) break;
  }
#endif
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

}  // namespace lumra::internal
