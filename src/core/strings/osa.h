// Restricted Damerau distance (optimal string alignment): Levenshtein plus
// the transposition of two adjacent symbols, after which neither symbol may
// be edited again.
#pragma once

#include <cstdint>

#include "core/strings/string_workspace.h"
#include "core/base/symbols.h"

namespace lumra {

// Outcome of a bounded distance: `value` is the distance when `within` is
// true and means nothing otherwise.
struct BoundedDistance {
  bool within;
  std::uint64_t value;
};

std::uint64_t osa_distance(Symbols left, Symbols right, StringWorkspace& workspace);

BoundedDistance osa_distance_bounded(Symbols left, Symbols right, std::uint64_t bound,
                                     StringWorkspace& workspace);

}  // namespace lumra
