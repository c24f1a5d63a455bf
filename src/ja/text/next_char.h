// Reading UTF-8 text one scalar value at a time, in place.
//
// The Japanese conversions walk texts character by character many times per
// query; decoding in place spares them a decoded copy of every text.
#pragma once

#include <cstddef>
#include <string_view>

namespace lumra::ja {

struct NextChar {
  char32_t value;
  std::size_t size;  // bytes it occupies, at least 1
};

// The character that starts at byte `at` (< text.size()). Texts reach this
// library as well-formed UTF-8; a malformed byte still reads as U+FFFD of one
// byte rather than reading out of bounds, so no input can crash a walk.
inline NextChar next_char(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[at + k]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return {lead, 1};
  std::size_t size;
  char32_t value;
  if ((lead & 0xE0) == 0xC0) {
    size = 2;
    value = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    size = 3;
    value = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    size = 4;
    value = lead & 0x07;
  } else {
    return {0xFFFD, 1};
  }
  if (at + size > text.size()) return {0xFFFD, 1};
  for (std::size_t k = 1; k < size; ++k) {
    if ((byte(k) & 0xC0) != 0x80) return {0xFFFD, 1};
    value = (value << 6) | (byte(k) & 0x3F);
  }
  return {value, size};
}

// Number of characters of `text`.
inline std::size_t char_count(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t at = 0; at < text.size(); at += next_char(text, at).size) ++count;
  return count;
}

// Appends the UTF-8 form of `c` to `out`, which has room for four bytes;
// returns the number of bytes written.
inline std::size_t encode_char(char32_t c, char* out) {
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<char>(0xC0 | (c >> 6));
    out[1] = static_cast<char>(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (c >> 12));
    out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (c & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (c >> 18));
  out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (c & 0x3F));
  return 4;
}

// Whether `text` holds an ASCII letter or digit.
inline bool has_ascii_alnum(std::string_view text) {
  for (char c : text) {
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
  }
  return false;
}

}  // namespace lumra::ja
