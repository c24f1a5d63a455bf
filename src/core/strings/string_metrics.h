// The string metrics as callers see them: a distance or score of two symbol
// sequences with an optional cutoff, the cutoff rules applied. The module
// functions and every cell of a batch matrix go through these, so both give
// the same value for the same pair and cutoff.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "core/base/errors.h"
#include "core/base/result.h"
#include "core/strings/string_workspace.h"
#include "core/base/symbols.h"

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

// About how many table cells a comparison of texts of these lengths visits,
// with `bound` the distance beyond which it may give up: the whole table,
// the diagonal band of the bound, or nothing when the lengths alone settle
// it. Callers weigh it against a fixed cost such as releasing a lock.
std::uint64_t comparison_cells(std::size_t left_length, std::size_t right_length,
                               std::optional<std::uint64_t> bound);

}  // namespace lumra
