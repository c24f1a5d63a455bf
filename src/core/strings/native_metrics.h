// The integer string metrics on texts in their caller's storage.
//
// The same values as levenshtein_with_cutoff and osa_with_cutoff of
// string_metrics.h on the widened texts, but nothing is widened that the
// lengths, the common affixes or a tight cutoff settle: a caller holding
// long texts as 1-, 2- or 4-byte units (a Python str) then pays for the
// part of the texts the answer depends on, not for copying them.
#pragma once

#include <cstdint>
#include <optional>

#include "core/strings/native_text.h"
#include "core/strings/string_workspace.h"

namespace lumra {

std::uint64_t levenshtein_with_cutoff(NativeText left, NativeText right,
                                      std::optional<std::uint64_t> cutoff,
                                      StringWorkspace& workspace);

std::uint64_t osa_with_cutoff(NativeText left, NativeText right,
                              std::optional<std::uint64_t> cutoff, StringWorkspace& workspace);

}  // namespace lumra
