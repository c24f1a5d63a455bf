#include "payload/yaml/safe_characters.h"

#include <cstdint>
#include <cstring>

namespace lumra::payload {

namespace {

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Eight bytes at a time while they are all printable ASCII, which most of a
// payload's keys, indentation and romanised readings are.
bool printable_ascii_word(const unsigned char* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
  // A byte below 0x20, or from 0x7F up, sets its high bit in one of these.
  std::uint64_t below_space = (word - kOnes * 0x20) & ~word;
  std::uint64_t del_or_more = word + kOnes * 0x01;
  return ((below_space | del_or_more | word) & kHigh) == 0;
}

}  // namespace

bool has_only_safe_characters(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const unsigned char* end = p + text.size();
  while (p < end) {
    if (end - p >= 8 && printable_ascii_word(p)) {
      p += 8;
      continue;
    }
    unsigned char byte = *p;
    if (byte < 0x80) {
      if (byte >= 0x20 && byte != 0x7F) {
        ++p;
      } else if (byte == '\n') {
        ++p;
      } else if (byte == '\r' && end - p >= 2 && p[1] == '\n') {
        p += 2;
      } else {
        return false;
      }
      continue;
    }
    char32_t code;
    int length;
    if (byte >= 0xC2 && byte < 0xE0) {
      code = byte & 0x1F;
      length = 2;
    } else if (byte >= 0xE0 && byte < 0xF0) {
      code = byte & 0x0F;
      length = 3;
    } else if (byte >= 0xF0 && byte < 0xF5) {
      code = byte & 0x07;
      length = 4;
    } else {
      return false;
    }
    if (end - p < length) return false;
    for (int i = 1; i < length; ++i) {
      if (!is_continuation(p[i])) return false;
      code = (code << 6) | (p[i] & 0x3F);
    }
    p += length;
    switch (length) {
      case 2:  // U+0080-U+009F are the C1 controls, U+0085 among them
        if (code < 0xA0) return false;
        break;
      case 3:
        if (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF) || code == 0x2028 ||
            code == 0x2029 || code == 0xFEFF || code >= 0xFFFE) {
          return false;
        }
        break;
      default:
        if (code < 0x10000 || code > 0x10FFFF) return false;
        break;
    }
  }
  return true;
}

}  // namespace lumra::payload
