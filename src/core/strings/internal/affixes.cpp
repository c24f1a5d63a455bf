#include "core/strings/internal/affixes.h"

#include <algorithm>

namespace lumra::internal {

std::pair<Symbols, Symbols> strip_common_affixes(Symbols left, Symbols right) {
  const std::size_t shorter = std::min(left.size(), right.size());
  const std::size_t prefix = common_prefix_length(left.data(), right.data(), shorter);
  // Both suffix windows end at their text's end and hold shorter - prefix
  // symbols, so they never reach into the prefix.
  const std::size_t rest = shorter - prefix;
  const std::size_t suffix = common_suffix_length(left.data() + left.size() - rest,
                                                  right.data() + right.size() - rest, rest);
  return {left.subspan(prefix, left.size() - prefix - suffix),
          right.subspan(prefix, right.size() - prefix - suffix)};
}

}  // namespace lumra::internal
