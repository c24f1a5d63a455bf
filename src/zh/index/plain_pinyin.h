// Plain pinyin, eight bytes at a time: lower-case ASCII letters and digits,
// save tone digits in the no-tone view. Each such byte is normal whatever
// surrounds it, so a reading made only of them is in normal form (the
// converse does not hold: normalize_pinyin.h decides the others).
//
// Inline, because a load asks it of every reading of a payload.
#pragma once

#include <cstdint>

#include "zh/index/pinyin_view.h"

namespace lumra::zh {

namespace plain_pinyin_internal {

inline constexpr std::uint64_t kOnes = 0x0101010101010101;
inline constexpr std::uint64_t kHighBits = 0x8080808080808080;

// The high bit of each byte of `word` (eight ASCII bytes) that is at least
// `c` (1..0x80): adding 0x80 - c carries into it exactly then, and never
// into the next byte.
inline std::uint64_t bytes_at_least(std::uint64_t word, unsigned char c) {
  return (word + kOnes * (0x80u - c)) & kHighBits;
}

}  // namespace plain_pinyin_internal

// Eight 'a' bytes: what a caller pads a short reading's word with.
inline constexpr std::uint64_t kPlainPinyinPadding = plain_pinyin_internal::kOnes * 'a';

// Whether each of the eight bytes of `word` (in memory order, whatever the
// machine's byte order: each byte is judged alone) is plain in `view`.
// Plain bytes are ASCII, so a plain reading is valid UTF-8.
inline bool is_plain_pinyin_word(std::uint64_t word, PinyinView view) {
  using namespace plain_pinyin_internal;
  if ((word & kHighBits) != 0) return false;
  const std::uint64_t letters = bytes_at_least(word, 'a') & ~bytes_at_least(word, 'z' + 1);
  std::uint64_t digits = bytes_at_least(word, '0') & ~bytes_at_least(word, '9' + 1);
  if (view != PinyinView::kTone3) digits &= ~(bytes_at_least(word, '1') & ~bytes_at_least(word, '5' + 1));
  return (letters | digits) == kHighBits;
}

}  // namespace lumra::zh
