#include "core/strings/osa.h"

#include "core/strings/internal/affixes.h"
#include "core/strings/internal/few_edits.h"
#include "core/strings/internal/osa_kernels.h"

namespace lumra {

// A common prefix or suffix never changes this distance, so the kernels see
// only the middles. For one shared leading symbol: the table of the longer
// strings holds j - 1 in its second row and i - 1 in its second column, the
// table of the shorter ones shifted by one; the only other cells it reads are
// transpositions out of its first row or column, worth j - 1 (or i - 1),
// which the shifted table never exceeds. Reversing both strings turns a
// suffix into a prefix and leaves the distance as it is.
//
// The distance is symmetric, so the shorter middle becomes the pattern of
// the bit-parallel kernels, whose work grows with the pattern's words.

std::uint64_t osa_distance(Symbols left, Symbols right, StringWorkspace& workspace) {
  auto [left_middle, right_middle] = internal::strip_common_affixes(left, right);
  if (left_middle.empty()) return right_middle.size();
  if (right_middle.empty()) return left_middle.size();
  if (right_middle.size() < left_middle.size()) {
    return internal::osa_bit_parallel(right_middle, left_middle, workspace);
  }
  return internal::osa_bit_parallel(left_middle, right_middle, workspace);
}

BoundedDistance osa_distance_bounded(Symbols left, Symbols right, std::uint64_t bound,
                                     StringWorkspace& workspace) {
  const std::uint64_t difference =
      left.size() > right.size() ? left.size() - right.size() : right.size() - left.size();
  if (difference > bound) return {false, 0};
  auto [left_middle, right_middle] = internal::strip_common_affixes(left, right);
  if (left_middle.empty()) return {right_middle.size() <= bound, right_middle.size()};
  if (right_middle.empty()) return {left_middle.size() <= bound, left_middle.size()};
  if (bound <= internal::kFewEditsMaxBound) {
    return internal::osa_few_edits(left_middle, right_middle, bound);
  }
  if (right_middle.size() < left_middle.size()) {
    return internal::osa_bit_parallel_bounded(right_middle, left_middle, bound, workspace);
  }
  return internal::osa_bit_parallel_bounded(left_middle, right_middle, bound, workspace);
}

}  // namespace lumra
