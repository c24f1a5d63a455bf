#include "zh/reading/direct_input.h"

#include "core/base/utf8.h"

namespace lumra::zh {

bool is_direct_pinyin_input(std::string_view text) {
  if (text.empty()) return false;
  for (std::size_t at = 0; at < text.size();) {
    if (static_cast<unsigned char>(text[at]) < 0x80) {
      ++at;
      continue;
    }
    const NextChar c = next_char(text, at);
    if (!is_direct_input_char(c.value)) return false;
    at += c.size;
  }
  return true;
}

std::string normalize_direct_input(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const NextChar c = next_char(text, at);
    at += c.size;
    if (ja::is_white_space(c.value)) continue;
    if (c.value >= 'A' && c.value <= 'Z') {
      out += static_cast<char>(c.value - 'A' + 'a');
    } else if (c.value == ':' && !out.empty() && out.back() == 'u') {
      // White space is already gone, so "u :" pairs too; the "v" written
      // here is never a "u", so pairs cannot overlap.
      out.back() = 'v';
    } else {
      out.append(text.substr(at - c.size, c.size));
    }
  }
  return out;
}

}  // namespace lumra::zh
