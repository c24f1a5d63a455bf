#include "artifacts/build/hiragana.h"

namespace lumra::artifacts::build {

std::string katakana_to_hiragana(std::string_view text) {
  std::string out(text);
  // U+30A1..U+30F6 are E3 82 A1..E3 83 B6; their twins lie 0x60 lower, at
  // U+3041..U+3096, which is E3 81 81..E3 82 96. Only the last two bytes
  // change, so the conversion works in place.
  for (std::size_t i = 0; i + 2 < out.size(); ++i) {
    auto b0 = static_cast<unsigned char>(out[i]);
    if (b0 != 0xE3) continue;
    auto b1 = static_cast<unsigned char>(out[i + 1]);
    auto b2 = static_cast<unsigned char>(out[i + 2]);
    char32_t c = ((b1 & 0x3Fu) << 6) | (b2 & 0x3Fu) | 0x3000u;
    if (b1 < 0x80 || b1 > 0xBF || b2 < 0x80 || b2 > 0xBF || c < 0x30A1 || c > 0x30F6) continue;
    c -= 0x60;
    out[i + 1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[i + 2] = static_cast<char>(0x80 | (c & 0x3F));
    i += 2;
  }
  return out;
}

}  // namespace lumra::artifacts::build
