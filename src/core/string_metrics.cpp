#include "core/string_metrics.h"

#include "core/cutoff.h"
#include "core/levenshtein.h"
#include "core/osa.h"
#include "core/similarity.h"

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

Result<double, CutoffOutOfRange> normalized_similarity(Symbols left, Symbols right,
                                                       std::optional<double> cutoff,
                                                       StringWorkspace& workspace) {
  return apply_similarity_cutoff(string_similarity(left, right, workspace), cutoff);
}

Result<double, CutoffOutOfRange> normalized_distance(Symbols left, Symbols right,
                                                     std::optional<double> cutoff,
                                                     StringWorkspace& workspace) {
  return apply_distance_cutoff(1.0 - string_similarity(left, right, workspace), cutoff);
}

}  // namespace lumra
