// The kernels behind osa_distance() and osa_distance_bounded().
//
// The row kernel is the plain three-row programme, laid out along `right`
// with the outer loop along `left`; faster kernels must agree with it.
#pragma once

#include <cstdint>

#include "core/osa.h"

namespace lumra::kernels {

// Both operands are non-empty.
std::uint64_t osa_rows(Symbols left, Symbols right, StringWorkspace& workspace);
BoundedDistance osa_rows_bounded(Symbols left, Symbols right, std::uint64_t bound,
                                 StringWorkspace& workspace);

}  // namespace lumra::kernels
