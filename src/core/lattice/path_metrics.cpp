#include "core/lattice/path_metrics.h"

#include <vector>

#include "core/base/cutoff.h"
#include "core/base/symbols.h"
#include "core/lattice/chain_distances.h"
#include "core/lattice/distinct_paths.h"
#include "core/lattice/lattice_state_limit.h"
#include "core/lattice/path_list.h"
#include "core/strings/similarity.h"
#include "core/strings/string_workspace.h"

namespace lumra {

namespace {

// The distinct paths of two lists that passed their checks, left first.
struct DistinctLists {
  std::vector<Symbols> left;
  std::vector<Symbols> right;
};

// Checks both lists, then whether their chain lattices would fit the state
// limit. The metrics compare the paths themselves, as the searches do for
// chain lattices (chain_distances.h), so no lattice is ever built; the
// limit still applies, decided from the path lengths alone.
Result<DistinctLists, CoreError> checked_lists(PathListView left, PathListView right,
                                               PathListNames names) {
  LUMRA_TRY(validate_path_list(left, names.left));
  LUMRA_TRY(validate_path_list(right, names.right));
  LUMRA_TRY(lattice_state_count(path_list_node_count(left), path_list_node_count(right)));
  return DistinctLists{distinct_paths(left), distinct_paths(right)};
}

Result<std::uint64_t, CoreError> distance(ChainMetric metric, PathListView left,
                                          PathListView right, std::optional<std::uint64_t> cutoff,
                                          PathListNames names) {
  LUMRA_TRY_ASSIGN(const DistinctLists lists, checked_lists(left, right, names));
  StringWorkspace workspace;
  if (!cutoff) return chain_distance(metric, lists.left, lists.right, workspace);
  return apply_integer_cutoff(
      chain_distance_within(metric, lists.left, lists.right, *cutoff, workspace), *cutoff);
}

Result<bool, CoreError> within(ChainMetric metric, PathListView left, PathListView right,
                               std::uint64_t threshold, PathListNames names) {
  LUMRA_TRY_ASSIGN(const DistinctLists lists, checked_lists(left, right, names));
  StringWorkspace workspace;
  return chain_distance_within(metric, lists.left, lists.right, threshold, workspace).has_value();
}

Result<double, CoreError> best_pair(PathListView left, PathListView right, PathListNames names) {
  LUMRA_TRY(validate_path_list(left, names.left));
  LUMRA_TRY(validate_path_list(right, names.right));
  StringWorkspace workspace;
  return best_pair_similarity(distinct_paths(left), distinct_paths(right), workspace);
}

}  // namespace

Result<std::uint64_t, CoreError> distance_paths(PathListView left, PathListView right,
                                                std::optional<std::uint64_t> cutoff,
                                                PathListNames names) {
  return distance(ChainMetric::kLevenshtein, left, right, cutoff, names);
}

Result<std::uint64_t, CoreError> damerau_distance_paths(PathListView left, PathListView right,
                                                        std::optional<std::uint64_t> cutoff,
                                                        PathListNames names) {
  return distance(ChainMetric::kDamerau, left, right, cutoff, names);
}

Result<bool, CoreError> within_distance_paths(PathListView left, PathListView right,
                                              std::uint64_t threshold, PathListNames names) {
  return within(ChainMetric::kLevenshtein, left, right, threshold, names);
}

Result<bool, CoreError> within_damerau_distance_paths(PathListView left, PathListView right,
                                                      std::uint64_t threshold,
                                                      PathListNames names) {
  return within(ChainMetric::kDamerau, left, right, threshold, names);
}

Result<double, CoreError> normalized_similarity_paths(PathListView left, PathListView right,
                                                      std::optional<double> cutoff,
                                                      PathListNames names) {
  auto best = best_pair(left, right, names);
  if (!best) return best;
  auto score = apply_similarity_cutoff(best.value(), cutoff);
  if (!score) return Fail(CoreError(score.error()));
  return score.value();
}

Result<double, CoreError> normalized_distance_paths(PathListView left, PathListView right,
                                                    std::optional<double> cutoff,
                                                    PathListNames names) {
  auto best = best_pair(left, right, names);
  if (!best) return best;
  auto score = apply_distance_cutoff(1.0 - best.value(), cutoff);
  if (!score) return Fail(CoreError(score.error()));
  return score.value();
}

}  // namespace lumra
