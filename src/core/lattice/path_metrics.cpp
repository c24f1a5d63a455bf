#include "core/lattice/path_metrics.h"

#include <utility>

#include "core/base/cutoff.h"
#include "core/lattice/lattice.h"
#include "core/lattice/lattice_distance.h"
#include "core/lattice/lattice_workspace.h"
#include "core/lattice/path_list.h"
#include "core/strings/similarity.h"

namespace lumra {

namespace {

// Checks the list and builds its lattice; a fault in the left list is
// reported before the right list is looked at.
Result<PathLattice, CoreError> checked_lattice(PathListView paths, const char* name) {
  if (auto valid = validate_path_list(paths, name); !valid) return Fail(CoreError(valid.error()));
  auto lattice = path_list_lattice(paths);
  if (!lattice) return Fail(CoreError(lattice.error()));
  return std::move(lattice).value();
}

struct LatticePair {
  PathLattice left;
  PathLattice right;
};

Result<LatticePair, CoreError> checked_lattices(PathListView left, PathListView right,
                                                PathListNames names) {
  auto left_lattice = checked_lattice(left, names.left);
  if (!left_lattice) return Fail(left_lattice.take_error());
  auto right_lattice = checked_lattice(right, names.right);
  if (!right_lattice) return Fail(right_lattice.take_error());
  return LatticePair{std::move(left_lattice).value(), std::move(right_lattice).value()};
}

template <class T, class Search>
Result<T, CoreError> on_lattices(PathListView left, PathListView right, PathListNames names,
                                 Search&& search) {
  auto lattices = checked_lattices(left, right, names);
  if (!lattices) return Fail(lattices.take_error());
  auto found = search(lattices.value().left, lattices.value().right);
  if (!found) return Fail(CoreError(found.error()));
  return found.value();
}

Result<double, CoreError> best_pair(PathListView left, PathListView right, PathListNames names) {
  if (auto valid = validate_path_list(left, names.left); !valid) {
    return Fail(CoreError(valid.error()));
  }
  if (auto valid = validate_path_list(right, names.right); !valid) {
    return Fail(CoreError(valid.error()));
  }
  StringWorkspace workspace;
  return best_pair_similarity(left, right, workspace);
}

}  // namespace

Result<std::uint64_t, CoreError> distance_paths(PathListView left, PathListView right,
                                                std::optional<std::uint64_t> cutoff,
                                                PathListNames names) {
  return on_lattices<std::uint64_t>(left, right, names, [&](const auto& l, const auto& r) {
    LatticeWorkspace workspace;
    return lattice_levenshtein_with_cutoff(l, r, cutoff, workspace);
  });
}

Result<std::uint64_t, CoreError> damerau_distance_paths(PathListView left, PathListView right,
                                                        std::optional<std::uint64_t> cutoff,
                                                        PathListNames names) {
  return on_lattices<std::uint64_t>(left, right, names, [&](const auto& l, const auto& r) {
    LatticeWorkspace workspace;
    return lattice_damerau_with_cutoff(l, r, cutoff, workspace);
  });
}

Result<bool, CoreError> within_distance_paths(PathListView left, PathListView right,
                                              std::uint64_t threshold, PathListNames names) {
  return on_lattices<bool>(left, right, names, [&](const auto& l, const auto& r) {
    return lattice_within_levenshtein(l, r, threshold);
  });
}

Result<bool, CoreError> within_damerau_distance_paths(PathListView left, PathListView right,
                                                      std::uint64_t threshold,
                                                      PathListNames names) {
  return on_lattices<bool>(left, right, names, [&](const auto& l, const auto& r) {
    return lattice_within_damerau(l, r, threshold);
  });
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
