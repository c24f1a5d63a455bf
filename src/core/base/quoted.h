// The quoted form of texts and characters inside error messages.
//
// A text is written between double quotes: a backslash goes before every
// double quote and backslash, tab, carriage return, line feed and NUL become
// \t, \r, \n and \0, and every other control character, combining mark
// (Grapheme_Extend) or non-printable character (general categories Cc, Cf,
// Cs, Co, Cn, Zl, Zp and Zs other than the space) becomes \u{...} in
// lower-case hexadecimal without leading zeros. Everything else, Han
// characters included, is written unchanged; the single quote is not
// escaped. A character is written the same way between single quotes, where
// the single quote is escaped and the double quote is not.
//
// Bytes that are not well-formed UTF-8 are written as U+FFFD: messages are
// text, and the offending bytes are reported by position elsewhere.
#pragma once

#include <string>
#include <string_view>

namespace lumra {

std::string quoted_text(std::string_view utf8);
std::string quoted_char(char32_t character);

// A text field of a message template that is written in quoted form.
struct Quoted {
  std::string_view text;
};
// A character field written in quoted form.
struct QuotedChar {
  char32_t character;
};

}  // namespace lumra
