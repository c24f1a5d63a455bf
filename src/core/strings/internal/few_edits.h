// Bounded distances for a bound of at most a few edits.
//
// When the bound is this small, trying every way of spending it is cheaper
// than any table: equal leading symbols are matched without cost (a shared
// prefix never changes either distance), and at the first difference one of
// at most four operations must come first (substitution, deletion,
// insertion, or for the restricted Damerau distance a transposition of the
// next two symbols). Each branch continues with one edit less, so a bound of
// 3 explores at most 85 branches (40 without transpositions), and on texts
// that really are a few edits apart every wrong branch dies within a few
// symbols. The work is then about a scan of the two texts instead of a
// column step per symbol; on periodic texts, where wrong branches live
// longest, it stays within a few scans.
//
// Results are those of the bounded kernels: the exact distance when it is at
// most the bound, "exceeded" otherwise.
#pragma once

#include <cstdint>
#include <optional>

#include "core/strings/native_text.h"
#include "core/strings/osa.h"
#include "core/base/symbols.h"

namespace lumra::internal {

// The largest bound these searches accept; the branches grow as 4^bound.
inline constexpr std::uint64_t kFewEditsMaxBound = 3;

// `bound` <= kFewEditsMaxBound; any operands, stripped or not.
std::optional<std::uint64_t> levenshtein_few_edits(Symbols left, Symbols right,
                                                   std::uint64_t bound);
BoundedDistance osa_few_edits(Symbols left, Symbols right, std::uint64_t bound);

// The same on texts in their callers' storage (native_text.h), so that a
// tight bound settles two long texts without widening them first.
std::optional<std::uint64_t> levenshtein_few_edits(NativeText left, NativeText right,
                                                   std::uint64_t bound);
BoundedDistance osa_few_edits(NativeText left, NativeText right, std::uint64_t bound);

}  // namespace lumra::internal
