#include "ja/romaji/romaji_unit.h"

#include "ja/text/next_char.h"

namespace lumra::ja {

std::string RomajiUnit::text() const {
  char bytes[8];
  std::size_t size = encode_char(first, bytes);
  if (second != 0) size += encode_char(second, bytes + size);
  return std::string(bytes, size);
}

}  // namespace lumra::ja
