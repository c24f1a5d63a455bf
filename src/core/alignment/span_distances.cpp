#include "core/alignment/span_distances.h"

#include "core/strings/internal/bit_parallel.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace lumra {

SpanDistances::SpanDistances(Symbols query, Symbols text)
    : query_(query), text_(text), words_((query.size() + 63) / 64) {
  if (query.empty()) return;
  last_row_ = internal::last_row_bit(query.size());
  if (words_ == 1) {
    word_masks_.assign(query);
  } else {
    block_masks_.assign(query);
    block_masks_.reach(words_ - 1);
    differences_.resize(2 * words_);
  }
}

std::uint64_t SpanDistances::distance(const TextSpan& span) {
  if (!started_ || span.start != start_ || span.end < end_) restart(span.start);
  while (end_ < span.end) extend();
  return distance_;
}

// The empty span: every query symbol is deleted.
void SpanDistances::restart(std::uint64_t start) {
  started_ = true;
  start_ = start;
  end_ = start;
  distance_ = query_.size();
  if (words_ == 1) {
    positive_ = internal::kAllOnes;
    negative_ = 0;
  } else {
    for (std::size_t w = 0; w < words_; ++w) {
      differences_[2 * w] = internal::kAllOnes;
      differences_[2 * w + 1] = 0;
    }
  }
}

void SpanDistances::extend() {
  const Symbol next = text_[end_++];
  if (words_ == 1) {
    extend_word(next);
  } else if (words_ == 0) {
    ++distance_;  // the empty query: every span symbol is inserted
  } else {
    extend_words(next);
  }
}

void SpanDistances::extend_word(Symbol next) {
  const std::uint64_t match = word_masks_.get(next);
  const std::uint64_t vertical = match | negative_;
  const std::uint64_t horizontal = (((match & positive_) + positive_) ^ positive_) | match;
  std::uint64_t horizontal_positive = negative_ | ~(horizontal | positive_);
  std::uint64_t horizontal_negative = positive_ & horizontal;
  if (horizontal_positive & last_row_) {
    ++distance_;
  } else if (horizontal_negative & last_row_) {
    --distance_;
  }
  // Row 0 grows by one with every text symbol, so a positive difference
  // enters at bit 0. Carries and shifts only move information towards
  // higher bits, so the bits above the last row never reach it and need
  // no masking.
  horizontal_positive = (horizontal_positive << 1) | 1;
  horizontal_negative <<= 1;
  positive_ = horizontal_negative | ~(vertical | horizontal_positive);
  negative_ = horizontal_positive & vertical;
}

// The same over several words, low word first: the carry of the addition
// and the bits the horizontal differences shift out pass to the next word.
// This is the whole cost of a long alignment, so the carry stays in the
// processor's flag between the words of a pair where the compiler allows.
namespace {

struct WordStep {
  std::uint64_t hp_in = 1;  // row 0 grows by one
  std::uint64_t hn_in = 0;
  std::uint64_t hp = 0;
  std::uint64_t hn = 0;

  [[gnu::always_inline]] void finish(std::uint64_t d0, std::uint64_t vp, std::uint64_t vn,
                                     std::uint64_t* column) {
    hp = vn | ~(d0 | vp);
    hn = d0 & vp;
    const std::uint64_t hp_shifted = (hp << 1) | hp_in;
    const std::uint64_t hn_shifted = (hn << 1) | hn_in;
    hp_in = hp >> 63;
    hn_in = hn >> 63;
    column[0] = hn_shifted | ~(d0 | hp_shifted);
    column[1] = hp_shifted & d0;
  }
};

[[gnu::always_inline]] inline unsigned char add_carry(unsigned char carry, std::uint64_t a,
                                                      std::uint64_t b, std::uint64_t* sum) {
#if defined(__x86_64__)
  unsigned long long out = 0;
  carry = _addcarry_u64(carry, a, b, &out);
  *sum = out;
  return carry;
#else
  std::uint64_t c = carry;
  *sum = internal::add_with_carry(a, b, c);
  return static_cast<unsigned char>(c);
#endif
}

}  // namespace

void SpanDistances::extend_words(Symbol next) {
  const std::uint64_t* eq = block_masks_.row(next);
  std::uint64_t* column = differences_.data();
  const std::size_t words = words_;
  unsigned char carry = 0;
  WordStep step;
  std::size_t w = 0;
  for (; w + 2 <= words; w += 2) {
    const std::uint64_t vp0 = column[2 * w];
    const std::uint64_t vn0 = column[2 * w + 1];
    const std::uint64_t vp1 = column[2 * w + 2];
    const std::uint64_t vn1 = column[2 * w + 3];
    const std::uint64_t x0 = eq[w] | vn0;
    const std::uint64_t x1 = eq[w + 1] | vn1;
    std::uint64_t sum0 = 0;
    std::uint64_t sum1 = 0;
    carry = add_carry(carry, x0 & vp0, vp0, &sum0);
    carry = add_carry(carry, x1 & vp1, vp1, &sum1);
    step.finish((sum0 ^ vp0) | x0, vp0, vn0, column + 2 * w);
    step.finish((sum1 ^ vp1) | x1, vp1, vn1, column + 2 * w + 2);
  }
  if (w < words) {
    const std::uint64_t vp = column[2 * w];
    const std::uint64_t vn = column[2 * w + 1];
    const std::uint64_t x = eq[w] | vn;
    std::uint64_t sum = 0;
    add_carry(carry, x & vp, vp, &sum);
    step.finish((sum ^ vp) | x, vp, vn, column + 2 * w);
  }
  // hp and hn are the last word's: the last row's horizontal difference.
  distance_ += (step.hp & last_row_) ? 1 : 0;
  distance_ -= (step.hn & last_row_) ? 1 : 0;
}

}  // namespace lumra
