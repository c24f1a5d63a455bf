#include "core/strings/levenshtein.h"

#include "core/strings/internal/affixes.h"
#include "core/strings/internal/few_edits.h"
#include "core/strings/internal/levenshtein_kernels.h"

namespace lumra {

namespace {

// The shorter middle becomes the pattern (the row of the programme, the bit
// vectors of the bit-parallel kernels); on equal lengths, the left one.
std::pair<Symbols, Symbols> shorter_first(Symbols left, Symbols right) {
  if (right.size() < left.size()) return {right, left};
  return {left, right};
}

}  // namespace

std::uint64_t levenshtein(Symbols left, Symbols right, StringWorkspace& workspace) {
  auto [left_middle, right_middle] = internal::strip_common_affixes(left, right);
  auto [shorter, longer] = shorter_first(left_middle, right_middle);
  if (shorter.empty()) return longer.size();
  return internal::levenshtein_bit_parallel(shorter, longer, workspace);
}

std::optional<std::uint64_t> levenshtein_bounded(Symbols left, Symbols right, std::uint64_t bound,
                                                 StringWorkspace& workspace) {
  // Stripping removes as many symbols from both sides, so the length
  // difference, itself a lower bound on the distance, is known before any
  // scan; unrelated texts of different lengths are rejected here.
  const std::uint64_t difference =
      left.size() > right.size() ? left.size() - right.size() : right.size() - left.size();
  if (difference > bound) return std::nullopt;
  auto [left_middle, right_middle] = internal::strip_common_affixes(left, right);
  auto [shorter, longer] = shorter_first(left_middle, right_middle);
  if (shorter.empty()) return longer.size();
  // A bound of a couple of edits is settled by trying them all, without
  // building a pattern table; short and near-equal texts gain the most.
  if (bound <= internal::kFewEditsMaxBound) {
    return internal::levenshtein_few_edits(shorter, longer, bound);
  }
  return internal::levenshtein_bit_parallel_bounded(shorter, longer, bound, workspace);
}

}  // namespace lumra
