#include "core/strings/native_text.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace lumra {

namespace {

// The number of leading positions below `length` where a and b agree. Texts
// of one width are compared eight bytes at a time first: near copies share
// long stretches, unrelated texts differ at once.
template <class A, class B>
std::size_t prefix_length(const A* a, const B* b, std::size_t length) {
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

// The same counted backwards from a + length and b + length.
template <class A, class B>
std::size_t suffix_length(const A* a, const B* b, std::size_t length) {
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

template <class A, class B>
CommonAffixes affixes_of(const A* a, std::size_t a_length, const B* b, std::size_t b_length) {
  const std::size_t shorter = std::min(a_length, b_length);
  const std::size_t prefix = prefix_length(a, b, shorter);
  // Both suffix windows end at their text's end and hold shorter - prefix
  // units, so they never reach into the prefix.
  const std::size_t rest = shorter - prefix;
  return {prefix, suffix_length(a + a_length - rest, b + b_length - rest, rest)};
}

template <class A>
CommonAffixes with_left(const A* a, std::size_t a_length, NativeText right) {
  switch (right.width) {
    case 1:
      return affixes_of(a, a_length, static_cast<const std::uint8_t*>(right.units), right.length);
    case 2:
      return affixes_of(a, a_length, static_cast<const std::uint16_t*>(right.units), right.length);
    default:
      return affixes_of(a, a_length, static_cast<const std::uint32_t*>(right.units), right.length);
  }
}

}  // namespace

CommonAffixes common_affixes(NativeText left, NativeText right) {
  switch (left.width) {
    case 1:
      return with_left(static_cast<const std::uint8_t*>(left.units), left.length, right);
    case 2:
      return with_left(static_cast<const std::uint16_t*>(left.units), left.length, right);
    default:
      return with_left(static_cast<const std::uint32_t*>(left.units), left.length, right);
  }
}

EarlySettlement settle_early(NativeText left, NativeText right,
                             std::optional<std::uint64_t> bound) {
  const std::uint64_t difference =
      left.length > right.length ? left.length - right.length : right.length - left.length;
  if (bound && difference > *bound) return {EarlySettlement::Kind::kBeyondBound, 0, {0, 0}};
  const CommonAffixes affixes = common_affixes(left, right);
  // Both lose the same number of symbols, so a text left empty leaves the
  // other the length difference: that many insertions, and no fewer.
  if (affixes.prefix + affixes.suffix == std::min(left.length, right.length)) {
    return {EarlySettlement::Kind::kDistance, difference, affixes};
  }
  return {EarlySettlement::Kind::kMiddles, 0, affixes};
}

}  // namespace lumra
