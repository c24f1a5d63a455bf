#include "core/base/utf8.h"

#include <string>

namespace lumra {

std::vector<Symbol> decode_utf8(std::string_view text) {
  std::vector<Symbol> out;
  out.reserve(text.size());
  append_utf8(text, out);
  return out;
}

void append_utf8(std::string_view text, std::vector<Symbol>& out,
                 std::vector<std::size_t>* starts) {
  for (std::size_t at = 0; at < text.size();) {
    if (starts) starts->push_back(at);
    const NextChar c = next_char(text, at);
    out.push_back(c.value);
    at += c.size;
  }
}

std::string encode_utf8(Symbols symbols) {
  std::string out;
  out.reserve(symbols.size());
  for (Symbol c : symbols) append_char(out, c);
  return out;
}

}  // namespace lumra
