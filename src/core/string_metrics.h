// The string metrics as callers see them: a distance or score of two symbol
// sequences with an optional cutoff, the cutoff rules applied. The module
// functions and every cell of a batch matrix go through these, so both give
// the same value for the same pair and cutoff.
#pragma once

#include <cstdint>
#include <optional>

#include "core/errors.h"
#include "core/result.h"
#include "core/string_workspace.h"
#include "core/symbols.h"

namespace lumra {

std::uint64_t levenshtein_with_cutoff(Symbols left, Symbols right,
                                      std::optional<std::uint64_t> cutoff,
                                      StringWorkspace& workspace);

std::uint64_t osa_with_cutoff(Symbols left, Symbols right, std::optional<std::uint64_t> cutoff,
                              StringWorkspace& workspace);

Result<double, CutoffOutOfRange> normalized_similarity(Symbols left, Symbols right,
                                                       std::optional<double> cutoff,
                                                       StringWorkspace& workspace);

Result<double, CutoffOutOfRange> normalized_distance(Symbols left, Symbols right,
                                                     std::optional<double> cutoff,
                                                     StringWorkspace& workspace);

}  // namespace lumra
