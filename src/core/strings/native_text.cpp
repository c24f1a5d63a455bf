#include "core/strings/native_text.h"

#include <algorithm>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "core/base/cpu_features.h"

#include "core/strings/internal/native_affixes.h"
#include "core/strings/internal/native_units.h"

namespace lumra {

namespace {

template <class A, class B>
CommonAffixes affixes_of(const A* a, std::size_t a_length, const B* b, std::size_t b_length) {
  const std::size_t shorter = std::min(a_length, b_length);
  const std::size_t prefix = internal::native_prefix_length(a, b, shorter);
  // Both suffix windows end at their text's end and hold shorter - prefix
  // units, so they never reach into the prefix.
  const std::size_t rest = shorter - prefix;
  return {prefix, internal::native_suffix_length(a + a_length - rest, b + b_length - rest, rest)};
}

// Surrogates are the units u with u - 0xD800 (in the unit's own width)
// below 0x800, so the least such difference over the text decides: a
// min-reduction, which vectorises.
template <class Unit>
[[gnu::always_inline]] inline bool no_surrogates_in(const Unit* units, std::size_t length) {
  Unit least = static_cast<Unit>(~Unit{0});
  for (std::size_t i = 0; i < length; ++i) {
    least = std::min(least, static_cast<Unit>(units[i] - Unit{0xD800}));
  }
  return least >= 0x800;
}

#if defined(__x86_64__)
// The same loop compiled for AVX2, sixteen 2-byte units a step instead of
// eight; picked at run time, so the build itself stays portable.
template <class Unit>
__attribute__((target("avx2"))) bool no_surrogates_avx2(const Unit* units, std::size_t length) {
  return no_surrogates_in(units, length);
}

__attribute__((target("avx2"), always_inline)) inline __m256i load_16_units(
    const std::uint16_t* at) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}

// The largest 2-byte unit decides most texts at one instruction per sixteen
// units: below U+D800 nothing can be a surrogate. Only a text holding
// higher code points (full-width forms, private use) is scanned again with
// the exact test, which takes two.
__attribute__((target("avx2"))) bool no_surrogates_2byte_avx2(const std::uint16_t* units,
                                                               std::size_t length) {
  constexpr std::size_t kStep = 16;
  if (length < kStep) return no_surrogates_in(units, length);
  // Four running maxima, so that the loads do not wait on one another, and
  // eight loads a round, so that the loop's own steps are few. The last
  // sixteen units start the maxima, which covers a length that is no
  // multiple of sixteen.
  __m256i m0 = load_16_units(units + length - kStep);
  __m256i m1 = m0;
  __m256i m2 = m0;
  __m256i m3 = m0;
  std::size_t i = 0;
  for (; i + 8 * kStep <= length; i += 8 * kStep) {
    m0 = _mm256_max_epu16(m0, load_16_units(units + i));
    m1 = _mm256_max_epu16(m1, load_16_units(units + i + kStep));
    m2 = _mm256_max_epu16(m2, load_16_units(units + i + 2 * kStep));
    m3 = _mm256_max_epu16(m3, load_16_units(units + i + 3 * kStep));
    m0 = _mm256_max_epu16(m0, load_16_units(units + i + 4 * kStep));
    m1 = _mm256_max_epu16(m1, load_16_units(units + i + 5 * kStep));
    m2 = _mm256_max_epu16(m2, load_16_units(units + i + 6 * kStep));
    m3 = _mm256_max_epu16(m3, load_16_units(units + i + 7 * kStep));
  }
  for (; i + kStep <= length; i += kStep) m0 = _mm256_max_epu16(m0, load_16_units(units + i));
  const __m256i largest = _mm256_max_epu16(_mm256_max_epu16(m0, m1), _mm256_max_epu16(m2, m3));
  const __m256i below = _mm256_min_epu16(largest, _mm256_set1_epi16(static_cast<short>(0xD7FF)));
  if (_mm256_movemask_epi8(_mm256_cmpeq_epi16(below, largest)) == -1) return true;
  return no_surrogates_avx2(units, length);
}
#endif

template <class Unit>
bool no_surrogates(const void* units, std::size_t length) {
  const auto* typed = static_cast<const Unit*>(units);
#if defined(__x86_64__)
  if (avx2_available()) {
    if constexpr (sizeof(Unit) == 2) return no_surrogates_2byte_avx2(typed, length);
    return no_surrogates_avx2(typed, length);
  }
#endif
  return no_surrogates_in(typed, length);
}

}  // namespace

bool free_of_surrogates(NativeText text) {
  if (text.width == 1) return true;
  if (text.width == 2) return no_surrogates<std::uint16_t>(text.units, text.length);
  return no_surrogates<std::uint32_t>(text.units, text.length);
}

CommonAffixes common_affixes(NativeText left, NativeText right) {
  return internal::with_native_units(left, right, [](const auto* a, std::size_t a_length,
                                                     const auto* b, std::size_t b_length) {
    return affixes_of(a, a_length, b, b_length);
  });
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
