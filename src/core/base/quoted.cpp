#include "core/base/quoted.h"

#include <unicode/uchar.h>

#include <cstdint>

#include "core/base/utf8.h"

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
  append_char(out, c);
}

// Decodes one scalar value at `at`, advancing it; malformed input gives
// U+FFFD and advances by one byte.
char32_t next_scalar(std::string_view text, std::size_t& at) {
  const NextChar c = decode_char(text, at);
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c.size == 0 || c.value < kSmallest[c.size] || c.value > 0x10FFFF ||
      (c.value >= 0xD800 && c.value <= 0xDFFF)) {
    ++at;
    return 0xFFFD;
  }
  at += c.size;
  return c.value;
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
