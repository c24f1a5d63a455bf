// The kernels behind levenshtein() and levenshtein_bounded().
//
// Callers go through levenshtein.h, which strips the common affixes and then
// picks a kernel. Every kernel returns identical results; the row kernel is
// the plain dynamic programme and the reference the faster ones are tested
// against.
#pragma once

#include <cstdint>
#include <optional>

#include "core/string_workspace.h"
#include "core/symbols.h"

namespace lumra::kernels {

// Row-by-row dynamic programme with the row along `shorter`
// (len(shorter) <= len(longer)).
std::uint64_t levenshtein_rows(Symbols shorter, Symbols longer, StringWorkspace& workspace);
std::optional<std::uint64_t> levenshtein_rows_bounded(Symbols shorter, Symbols longer,
                                                      std::uint64_t bound,
                                                      StringWorkspace& workspace);

}  // namespace lumra::kernels
