#include "core/base/quoted.h"

#include <unicode/uchar.h>

#include <cstdint>

namespace lumra {

namespace {

bool needs_unicode_escape(char32_t c) {
  UChar32 code = static_cast<UChar32>(c);
  if (u_hasBinaryProperty(code, UCHAR_GRAPHEME_EXTEND)) return true;
  switch (u_charType(code)) {
    case U_CONTROL_CHAR:
    case U_FORMAT_CHAR:
    case U_SURROGATE:
    case U_PRIVATE_USE_CHAR:
    case U_UNASSIGNED:
    case U_LINE_SEPARATOR:
    case U_PARAGRAPH_SEPARATOR:
      return true;
    case U_SPACE_SEPARATOR:
      return c != U' ';
    default:
      return false;
  }
}

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void append_escaped(std::string& out, char32_t c, char quote) {
  switch (c) {
    case U'\t': out += "\\t"; return;
    case U'\r': out += "\\r"; return;
    case U'\n': out += "\\n"; return;
    case U'\0': out += "\\0"; return;
    case U'\\': out += "\\\\"; return;
    default: break;
  }
  if (c == static_cast<char32_t>(quote)) {
    out += '\\';
    out += quote;
    return;
  }
  if (needs_unicode_escape(c)) {
    static constexpr char kHex[] = "0123456789abcdef";
    char digits[8];
    int count = 0;
    std::uint32_t value = c;
    do {
      digits[count++] = kHex[value & 0xF];
      value >>= 4;
    } while (value != 0);
    out += "\\u{";
    while (count > 0) out += digits[--count];
    out += '}';
    return;
  }
  append_utf8(out, c);
}

// Decodes one scalar value at `at`, advancing it; malformed input gives
// U+FFFD and advances by one byte.
char32_t next_scalar(std::string_view text, std::size_t& at) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(at);
  if (lead < 0x80) {
    ++at;
    return lead;
  }
  std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (length == 0 || lead > 0xF4 || at + length > text.size()) {
    ++at;
    return 0xFFFD;
  }
  char32_t value = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    unsigned char continuation = byte(at + i);
    if ((continuation & 0xC0) != 0x80) {
      ++at;
      return 0xFFFD;
    }
    value = (value << 6) | (continuation & 0x3F);
  }
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    ++at;
    return 0xFFFD;
  }
  at += length;
  return value;
}

}  // namespace

std::string quoted_text(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size() + 2);
  out += '"';
  for (std::size_t at = 0; at < utf8.size();) append_escaped(out, next_scalar(utf8, at), '"');
  out += '"';
  return out;
}

std::string quoted_char(char32_t character) {
  std::string out = "'";
  append_escaped(out, character, '\'');
  out += '\'';
  return out;
}

}  // namespace lumra
