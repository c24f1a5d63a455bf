#include "core/alignment/span_lanes.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "core/base/cpu_features.h"
#include "core/strings/internal/bit_parallel.h"

namespace lumra {

namespace {

// Below this many words one sweep at a time costs about as little.
constexpr std::size_t kFewestWords = 3;

#if defined(__x86_64__)
// One column step of Myers' recurrence over every word, in four lanes at
// once. AVX2 has no add with carry, so the carry between words is worked
// out by comparison: a + b overflowed when the sum is below a (unsigned,
// compared with the sign bits flipped), and adding the incoming carry
// overflows only a sum of all ones. Carries and masks are lane masks
// (all ones for 1).
__attribute__((target("avx2"))) void step_lanes(std::uint64_t* columns, std::size_t words,
                                                const std::uint64_t* eq, std::uint64_t last_row,
                                                std::uint64_t* scores) {
  const __m256i ones = _mm256_set1_epi64x(-1);
  const __m256i sign = _mm256_set1_epi64x(static_cast<long long>(internal::kTopBit));
  __m256i carry = _mm256_setzero_si256();
  __m256i hp_in = _mm256_set1_epi64x(1);  // row 0 grows by one
  __m256i hn_in = _mm256_setzero_si256();
  __m256i hp = _mm256_setzero_si256();
  __m256i hn = _mm256_setzero_si256();
  for (std::size_t w = 0; w < words; ++w) {
    __m256i* column = reinterpret_cast<__m256i*>(columns + 8 * w);
    const __m256i vp = _mm256_load_si256(column);
    const __m256i vn = _mm256_load_si256(column + 1);
    const __m256i x = _mm256_or_si256(_mm256_set1_epi64x(static_cast<long long>(eq[w])), vn);
    const __m256i a = _mm256_and_si256(x, vp);
    const __m256i partial = _mm256_add_epi64(a, vp);
    const __m256i overflowed = _mm256_cmpgt_epi64(_mm256_xor_si256(a, sign),
                                                  _mm256_xor_si256(partial, sign));
    const __m256i sum = _mm256_sub_epi64(partial, carry);
    carry = _mm256_or_si256(overflowed,
                            _mm256_and_si256(carry, _mm256_cmpeq_epi64(partial, ones)));
    const __m256i d0 = _mm256_or_si256(_mm256_xor_si256(sum, vp), x);
    hp = _mm256_or_si256(vn, _mm256_andnot_si256(_mm256_or_si256(d0, vp), ones));
    hn = _mm256_and_si256(d0, vp);
    const __m256i hp_shifted = _mm256_or_si256(_mm256_slli_epi64(hp, 1), hp_in);
    const __m256i hn_shifted = _mm256_or_si256(_mm256_slli_epi64(hn, 1), hn_in);
    hp_in = _mm256_srli_epi64(hp, 63);
    hn_in = _mm256_srli_epi64(hn, 63);
    _mm256_store_si256(column, _mm256_or_si256(
                                   hn_shifted, _mm256_andnot_si256(
                                                   _mm256_or_si256(d0, hp_shifted), ones)));
    _mm256_store_si256(column + 1, _mm256_and_si256(hp_shifted, d0));
  }
  // The last row's horizontal difference, from the last word: +1 where hp
  // has its bit, -1 where hn has it (a true comparison reads as -1).
  const __m256i last = _mm256_set1_epi64x(static_cast<long long>(last_row));
  const __m256i up = _mm256_cmpeq_epi64(_mm256_and_si256(hp, last), last);
  const __m256i down = _mm256_cmpeq_epi64(_mm256_and_si256(hn, last), last);
  __m256i* score = reinterpret_cast<__m256i*>(scores);
  _mm256_store_si256(score, _mm256_add_epi64(_mm256_sub_epi64(_mm256_load_si256(score), up), down));
}
#endif

}  // namespace

bool SpanDistanceLanes::worth_it(std::size_t length) {
#if defined(__x86_64__)
  return avx2_available() && length > 64 * (kFewestWords - 1);
#else
  (void)length;
  return false;
#endif
}

SpanDistanceLanes::SpanDistanceLanes(Symbols query, Symbols text)
    : query_(query),
      text_(text),
      words_((query.size() + 63) / 64),
      last_row_(internal::last_row_bit(query.size())) {
  masks_.assign(query);
  masks_.reach(words_ - 1);
  // 2 * kLanes values per word, and room to align the first to 64 bytes.
  storage_.resize(2 * kLanes * words_ + 8);
  auto address = reinterpret_cast<std::uintptr_t>(storage_.data());
  columns_ = storage_.data() + ((64 - address % 64) % 64) / sizeof(std::uint64_t);
}

void SpanDistanceLanes::restart(std::uint64_t first) {
  first_ = first;
  steps_ = 0;
}

// A lane joins with the empty span: every query symbol deleted.
void SpanDistanceLanes::join(std::size_t lane) {
  for (std::size_t w = 0; w < words_; ++w) {
    columns_[2 * kLanes * w + lane] = internal::kAllOnes;
    columns_[2 * kLanes * w + kLanes + lane] = 0;
  }
  scores_[lane] = query_.size();
}

void SpanDistanceLanes::step() {
  if (steps_ < kLanes) join(static_cast<std::size_t>(steps_));
  const Symbol next = text_[first_ + steps_];
  ++steps_;
#if defined(__x86_64__)
  step_lanes(columns_, words_, masks_.row(next), last_row_, scores_);
#else
  (void)next;
#endif
}

}  // namespace lumra
