// Levenshtein distance: insertions, deletions and substitutions, cost 1 each.
#pragma once

#include <cstdint>
#include <optional>

#include "core/strings/string_workspace.h"
#include "core/base/symbols.h"

namespace lumra {

std::uint64_t levenshtein(Symbols left, Symbols right, StringWorkspace& workspace);

// The distance when it is at most `bound`, nothing when it exceeds it. Stops
// as soon as the bound is known to be exceeded.
std::optional<std::uint64_t> levenshtein_bounded(Symbols left, Symbols right, std::uint64_t bound,
                                                 StringWorkspace& workspace);

}  // namespace lumra
