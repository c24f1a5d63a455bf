#include "core/osa.h"

#include "core/osa_kernels.h"

namespace lumra {

std::uint64_t osa_distance(Symbols left, Symbols right, StringWorkspace& workspace) {
  if (left.empty()) return right.size();
  if (right.empty()) return left.size();
  return kernels::osa_rows(left, right, workspace);
}

BoundedDistance osa_distance_bounded(Symbols left, Symbols right, std::uint64_t bound,
                                     StringWorkspace& workspace) {
  const std::uint64_t difference =
      left.size() > right.size() ? left.size() - right.size() : right.size() - left.size();
  if (difference > bound) return {false, 0};
  if (left.empty()) return {right.size() <= bound, right.size()};
  if (right.empty()) return {left.size() <= bound, left.size()};
  return kernels::osa_rows_bounded(left, right, bound, workspace);
}

}  // namespace lumra
