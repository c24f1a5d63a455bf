#include "core/strings/string_metrics.h"

#include <algorithm>
#include <limits>

#include "core/base/cutoff.h"
#include "core/strings/levenshtein.h"
#include "core/strings/osa.h"
#include "core/strings/similarity.h"
#include "core/strings/similarity_bound.h"

namespace lumra {

std::uint64_t levenshtein_with_cutoff(Symbols left, Symbols right,
                                      std::optional<std::uint64_t> cutoff,
                                      StringWorkspace& workspace) {
  if (!cutoff) return levenshtein(left, right, workspace);
  return apply_integer_cutoff(levenshtein_bounded(left, right, *cutoff, workspace), *cutoff);
}

std::uint64_t osa_with_cutoff(Symbols left, Symbols right, std::optional<std::uint64_t> cutoff,
                              StringWorkspace& workspace) {
  if (!cutoff) return osa_distance(left, right, workspace);
  return apply_integer_cutoff(osa_distance_bounded(left, right, *cutoff, workspace), *cutoff);
}

// With a cutoff, only distances up to the largest one the cutoff admits
// matter (similarity_bound.h); the bounded search gives up on the others
// early, and they are reported as the cutoff reports them anyway.
Result<double, CutoffOutOfRange> normalized_similarity(Symbols left, Symbols right,
                                                       std::optional<double> cutoff,
                                                       StringWorkspace& workspace) {
  if (!cutoff) return string_similarity(left, right, workspace);
  if (!fractional_cutoff_in_range(*cutoff)) return Fail(CutoffOutOfRange{});
  const std::uint64_t bound = largest_distance_for_similarity(*cutoff, left.size(), right.size());
  const auto distance = levenshtein_bounded(left, right, bound, workspace);
  if (!distance) return 0.0;
  return apply_similarity_cutoff(similarity_from_distance(*distance, left.size(), right.size()),
                                 cutoff);
}

Result<double, CutoffOutOfRange> normalized_distance(Symbols left, Symbols right,
                                                     std::optional<double> cutoff,
                                                     StringWorkspace& workspace) {
  if (!cutoff) return 1.0 - string_similarity(left, right, workspace);
  if (!fractional_cutoff_in_range(*cutoff)) return Fail(CutoffOutOfRange{});
  const std::uint64_t bound =
      largest_distance_for_normalized_distance(*cutoff, left.size(), right.size());
  const auto distance = levenshtein_bounded(left, right, bound, workspace);
  if (!distance) return 1.0;
  return apply_distance_cutoff(
      1.0 - similarity_from_distance(*distance, left.size(), right.size()), cutoff);
}

std::uint64_t comparison_cells(std::size_t left_length, std::size_t right_length,
                               std::optional<std::uint64_t> bound) {
  // Saturating: texts of billions of symbols only need to count as large.
  const auto product = [](std::uint64_t a, std::uint64_t b) {
    std::uint64_t out = 0;
    return __builtin_mul_overflow(a, b, &out) ? std::numeric_limits<std::uint64_t>::max() : out;
  };
  const std::uint64_t longer = std::max(left_length, right_length);
  const std::uint64_t shorter = std::min(left_length, right_length);
  const std::uint64_t table = product(longer, shorter);
  if (!bound) return table;
  if (longer - shorter > *bound) return 0;  // settled by the lengths alone
  if (*bound >= longer) return table;
  return std::min(table, product(longer, 2 * *bound + 1));
}

}  // namespace lumra
