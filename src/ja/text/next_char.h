// Reading UTF-8 text one scalar value at a time, in place, as the Japanese
// conversions do many times per query (next_char and friends live with the
// other UTF-8 helpers of the core), and the ASCII test of dictionary tokens.
#pragma once

#include <string_view>

#include "core/base/utf8.h"

namespace lumra::ja {

// Whether `text` holds an ASCII letter or digit.
inline bool has_ascii_alnum(std::string_view text) {
  for (char c : text) {
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
  }
  return false;
}

}  // namespace lumra::ja
