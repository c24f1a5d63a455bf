#include "core/alignment/span_distances.h"

#include <algorithm>

namespace lumra {

SpanDistances::SpanDistances(Symbols query, Symbols text)
    : query_(query),
      text_(text),
      word_(!query.empty() && query.size() <= internal::PatternMatchWord::kMaxLength) {
  if (word_) {
    masks_.assign(query);
    last_row_ = std::uint64_t{1} << (query.size() - 1);
  } else {
    column_.resize(query.size() + 1);
  }
}

std::uint64_t SpanDistances::distance(const TextSpan& span) {
  if (!started_ || span.start != start_ || span.end < end_) restart(span.start);
  while (end_ < span.end) extend(text_[end_++]);
  return distance_;
}

// The empty span: every query symbol is deleted.
void SpanDistances::restart(std::uint64_t start) {
  started_ = true;
  start_ = start;
  end_ = start;
  distance_ = query_.size();
  if (word_) {
    positive_ = ~std::uint64_t{0};
    negative_ = 0;
  } else {
    for (std::size_t i = 0; i < column_.size(); ++i) column_[i] = i;
  }
}

void SpanDistances::extend(Symbol next) {
  if (word_) {
    const std::uint64_t match = masks_.get(next);
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
    return;
  }
  // Row 0 is the length of the span so far; each row i takes the cheapest
  // of inserting `next` after the first i query symbols, deleting the i-th
  // query symbol, or aligning the two.
  std::uint64_t diagonal = column_[0];
  column_[0] = diagonal + 1;
  for (std::size_t i = 1; i < column_.size(); ++i) {
    const std::uint64_t left = column_[i];
    const std::uint64_t aligned = diagonal + (query_[i - 1] != next ? 1 : 0);
    column_[i] = std::min({left + 1, column_[i - 1] + 1, aligned});
    diagonal = left;
  }
  distance_ = column_.back();
}

}  // namespace lumra
