// UTF-8 to scalar values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/symbols.h"

namespace lumra {

// One scalar value read in place from UTF-8.
struct NextChar {
  char32_t value;
  std::size_t size;  // bytes it occupies
};

// The character that starts at byte `at` (< text.size()), decoded without
// the overlong and surrogate checks (texts that reach the library were
// validated where they came in); size 0 when the bytes there are no
// complete sequence, so that a caller can tell bad bytes from U+FFFD.
inline NextChar decode_char(std::string_view text, std::size_t at) {
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
    return {0, 0};
  }
  if (text.size() - at < size) return {0, 0};
  for (std::size_t k = 1; k < size; ++k) {
    if ((byte(k) & 0xC0) != 0x80) return {0, 0};
    value = (value << 6) | (byte(k) & 0x3F);
  }
  return {value, size};
}

// The same, with a malformed byte read as U+FFFD of one byte, so that a
// walk over any bytes advances and never reads out of bounds.
inline NextChar next_char(std::string_view text, std::size_t at) {
  const NextChar c = decode_char(text, at);
  return c.size != 0 ? c : NextChar{0xFFFD, 1};
}

// Number of characters of `text`, counted as next_char walks it.
inline std::size_t char_count(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t at = 0; at < text.size(); at += next_char(text, at).size) ++count;
  return count;
}

// Writes the UTF-8 form of `c` to `out`, which has room for four bytes;
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

// Appends the UTF-8 form of `c` to `out`.
inline void append_char(std::string& out, char32_t c) {
  char bytes[4];
  out.append(bytes, encode_char(c, bytes));
}

// Decodes well-formed UTF-8 (as produced by the binding and by the payload
// loaders, which validate their input) into scalar values. A malformed
// sequence decodes as U+FFFD per byte rather than reading out of bounds.
std::vector<Symbol> decode_utf8(std::string_view text);

// The same, appended to `out`, so that a buffer refilled for many texts
// stops allocating. With `starts`, the byte offset at which each decoded
// value begins is appended there too.
void append_utf8(std::string_view text, std::vector<Symbol>& out,
                 std::vector<std::size_t>* starts = nullptr);

// Encodes scalar values as UTF-8.
std::string encode_utf8(Symbols symbols);

}  // namespace lumra
