#include "core/affixes.h"

#include <algorithm>

namespace lumra {

std::pair<Symbols, Symbols> strip_common_affixes(Symbols left, Symbols right) {
  const std::size_t shorter = std::min(left.size(), right.size());
  std::size_t prefix = 0;
  while (prefix < shorter && left[prefix] == right[prefix]) ++prefix;
  std::size_t suffix = 0;
  while (suffix < shorter - prefix &&
         left[left.size() - 1 - suffix] == right[right.size() - 1 - suffix]) {
    ++suffix;
  }
  return {left.subspan(prefix, left.size() - prefix - suffix),
          right.subspan(prefix, right.size() - prefix - suffix)};
}

}  // namespace lumra
