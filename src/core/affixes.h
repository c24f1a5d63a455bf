// Removal of the common prefix and suffix of two symbol sequences.
#pragma once

#include <utility>

#include "core/symbols.h"

namespace lumra {

// Returns the middles of `left` and `right` after removing their longest
// common prefix and then their longest common suffix. The suffix never
// overlaps the prefix in either sequence.
std::pair<Symbols, Symbols> strip_common_affixes(Symbols left, Symbols right);

}  // namespace lumra
