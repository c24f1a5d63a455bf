#include "core/batch/levenshtein_lanes.h"

#include <algorithm>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "core/strings/internal/bit_parallel.h"
#include "core/strings/internal/levenshtein_kernels.h"

namespace lumra::internal {


namespace {

constexpr std::size_t kLanes = 4;

// Up to four comparisons; a missing one has an empty text and stays idle.
struct LaneGroup {
  const WordComparison* comparisons[kLanes] = {};
  std::size_t length[kLanes] = {};  // text length, 0 when idle
  std::size_t columns = 0;          // the longest text

  explicit LaneGroup(std::span<const WordComparison> group) {
    for (std::size_t l = 0; l < group.size(); ++l) {
      comparisons[l] = &group[l];
      length[l] = group[l].text.size();
      columns = std::max(columns, length[l]);
    }
  }

  // The masks of lane l's symbol in column j; nothing once its text ended.
  std::uint64_t eq(std::size_t l, std::size_t j) const {
    if (j >= length[l]) return 0;
    const WordComparison& c = *comparisons[l];
    return c.pattern.get(c.text[j]);
  }
};

// A lane runs at least one row; a pattern without rows is just the text's
// length away.
std::uint64_t finished(const WordComparison& comparison, std::uint64_t score) {
  return comparison.pattern.length == 0 ? comparison.text.size() : score;
}

void portable_group(std::span<const WordComparison> group, std::uint64_t* distances) {
  const LaneGroup lanes(group);
  std::uint64_t vp[kLanes], vn[kLanes], score[kLanes], last[kLanes];
  for (std::size_t l = 0; l < kLanes; ++l) {
    const std::size_t rows =
        l < group.size() ? std::max<std::size_t>(group[l].pattern.length, 1) : 1;
    vp[l] = kAllOnes;
    vn[l] = 0;
    score[l] = rows;
    last[l] = last_row_bit(rows);
  }
  for (std::size_t j = 0; j < lanes.columns; ++j) {
    for (std::size_t l = 0; l < kLanes; ++l) {
      if (j >= lanes.length[l]) continue;
      const std::uint64_t x = lanes.eq(l, j) | vn[l];
      const std::uint64_t d0 = (((x & vp[l]) + vp[l]) ^ vp[l]) | x;
      std::uint64_t hp = vn[l] | ~(d0 | vp[l]);
      std::uint64_t hn = d0 & vp[l];
      score[l] += (hp & last[l]) ? 1 : 0;
      score[l] -= (hn & last[l]) ? 1 : 0;
      hp = (hp << 1) | 1;
      hn <<= 1;
      vp[l] = hn | ~(d0 | hp);
      vn[l] = hp & d0;
    }
  }
  for (std::size_t l = 0; l < group.size(); ++l) distances[l] = finished(group[l], score[l]);
}

#if defined(__x86_64__)
__attribute__((target("avx2"))) void avx2_group(std::span<const WordComparison> group,
                                                std::uint64_t* distances) {
  const LaneGroup lanes(group);
  alignas(32) std::uint64_t init_score[kLanes], init_last[kLanes], init_length[kLanes];
  for (std::size_t l = 0; l < kLanes; ++l) {
    const std::size_t rows =
        l < group.size() ? std::max<std::size_t>(group[l].pattern.length, 1) : 1;
    init_score[l] = rows;
    init_last[l] = last_row_bit(rows);
    init_length[l] = lanes.length[l];
  }
  const __m256i ones = _mm256_set1_epi64x(-1);
  const __m256i one = _mm256_set1_epi64x(1);
  const __m256i last = _mm256_load_si256(reinterpret_cast<const __m256i*>(init_last));
  const __m256i length = _mm256_load_si256(reinterpret_cast<const __m256i*>(init_length));
  __m256i score = _mm256_load_si256(reinterpret_cast<const __m256i*>(init_score));
  __m256i vp = ones;
  __m256i vn = _mm256_setzero_si256();
  for (std::size_t j = 0; j < lanes.columns; ++j) {
    // Lanes whose text has ended keep their column; lengths fit a signed
    // comparison.
    const __m256i active =
        _mm256_cmpgt_epi64(length, _mm256_set1_epi64x(static_cast<long long>(j)));
    const __m256i eq = _mm256_set_epi64x(
        static_cast<long long>(lanes.eq(3, j)), static_cast<long long>(lanes.eq(2, j)),
        static_cast<long long>(lanes.eq(1, j)), static_cast<long long>(lanes.eq(0, j)));
    const __m256i x = _mm256_or_si256(eq, vn);
    const __m256i sum = _mm256_add_epi64(_mm256_and_si256(x, vp), vp);
    const __m256i d0 = _mm256_or_si256(_mm256_xor_si256(sum, vp), x);
    __m256i hp = _mm256_or_si256(vn, _mm256_andnot_si256(_mm256_or_si256(d0, vp), ones));
    __m256i hn = _mm256_and_si256(d0, vp);
    // A set bottom bit compares equal to `last` and reads as -1.
    const __m256i up = _mm256_cmpeq_epi64(_mm256_and_si256(hp, last), last);
    const __m256i down = _mm256_cmpeq_epi64(_mm256_and_si256(hn, last), last);
    score = _mm256_add_epi64(score, _mm256_and_si256(_mm256_sub_epi64(down, up), active));
    hp = _mm256_or_si256(_mm256_slli_epi64(hp, 1), one);
    hn = _mm256_slli_epi64(hn, 1);
    const __m256i next_vp = _mm256_or_si256(hn, _mm256_andnot_si256(_mm256_or_si256(d0, hp), ones));
    const __m256i next_vn = _mm256_and_si256(hp, d0);
    vp = _mm256_blendv_epi8(vp, next_vp, active);
    vn = _mm256_blendv_epi8(vn, next_vn, active);
  }
  alignas(32) std::uint64_t result[kLanes];
  _mm256_store_si256(reinterpret_cast<__m256i*>(result), score);
  for (std::size_t l = 0; l < group.size(); ++l) distances[l] = finished(group[l], result[l]);
}
#else
// Elsewhere the vector form is the portable one.
void avx2_group(std::span<const WordComparison> group, std::uint64_t* distances) {
  portable_group(group, distances);
}
#endif

template <class Group>
void by_groups(std::span<const WordComparison> comparisons, std::uint64_t* distances, Group group) {
  for (std::size_t start = 0; start < comparisons.size(); start += kLanes) {
    const std::size_t count = std::min(kLanes, comparisons.size() - start);
    group(comparisons.subspan(start, count), distances + start);
  }
}

}  // namespace

void levenshtein_word_lanes_portable(std::span<const WordComparison> comparisons,
                                     std::uint64_t* distances) {
  by_groups(comparisons, distances, portable_group);
}

void levenshtein_word_lanes_avx2(std::span<const WordComparison> comparisons,
                                 std::uint64_t* distances) {
  by_groups(comparisons, distances, avx2_group);
}

void levenshtein_word_lanes(std::span<const WordComparison> comparisons, std::uint64_t* distances) {
  // A lone comparison gains nothing from lanes.
  if (comparisons.size() == 1) {
    distances[0] = levenshtein_word(comparisons[0].pattern, comparisons[0].text);
  } else if (avx2_available()) {
    levenshtein_word_lanes_avx2(comparisons, distances);
  } else {
    levenshtein_word_lanes_portable(comparisons, distances);
  }
}

}  // namespace lumra::internal
