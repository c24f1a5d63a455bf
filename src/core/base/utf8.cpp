#include "core/base/utf8.h"

#include <string>

namespace lumra {

namespace {

constexpr Symbol kReplacement = 0xFFFD;

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

std::vector<Symbol> decode_utf8(std::string_view text) {
  std::vector<Symbol> out;
  out.reserve(text.size());
  append_utf8(text, out);
  return out;
}

void append_utf8(std::string_view text, std::vector<Symbol>& out,
                 std::vector<std::size_t>* starts) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    if (starts) starts->push_back(i);
    const unsigned char lead = bytes[i];
    std::size_t length;
    Symbol value;
    if (lead < 0x80) {
      out.push_back(lead);
      ++i;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2;
      value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3;
      value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4;
      value = lead & 0x07;
    } else {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    bool well_formed = i + length <= n;
    for (std::size_t k = 1; well_formed && k < length; ++k) {
      if (!is_continuation(bytes[i + k])) well_formed = false;
      else value = (value << 6) | (bytes[i + k] & 0x3F);
    }
    if (!well_formed) {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    out.push_back(value);
    i += length;
  }
}

std::string encode_utf8(Symbols symbols) {
  std::string out;
  out.reserve(symbols.size());
  for (Symbol c : symbols) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

}  // namespace lumra
