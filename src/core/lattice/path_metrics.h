// The metrics between two lists of alternative strings ("paths").
//
// Each list is checked first (left, then right). The integer metrics and
// threshold tests are the lattice distances between the lists' chain
// lattices, under the same state limit; such a lattice spells just its
// paths, so they are found from the paths themselves, and neither lattice
// is built. The normalized metrics compare the alternatives pairwise as
// plain strings. A path repeated in a list is compared once.
#pragma once

#include <cstdint>
#include <optional>

#include "core/base/errors.h"
#include "core/lattice/path_list_view.h"
#include "core/base/result.h"

namespace lumra {

struct PathListNames {
  const char* left = "left_paths";
  const char* right = "right_paths";
};

Result<std::uint64_t, CoreError> distance_paths(PathListView left, PathListView right,
                                                std::optional<std::uint64_t> cutoff,
                                                PathListNames names = {});
Result<std::uint64_t, CoreError> damerau_distance_paths(PathListView left, PathListView right,
                                                        std::optional<std::uint64_t> cutoff,
                                                        PathListNames names = {});
Result<bool, CoreError> within_distance_paths(PathListView left, PathListView right,
                                              std::uint64_t threshold, PathListNames names = {});
Result<bool, CoreError> within_damerau_distance_paths(PathListView left, PathListView right,
                                                      std::uint64_t threshold,
                                                      PathListNames names = {});
Result<double, CoreError> normalized_similarity_paths(PathListView left, PathListView right,
                                                      std::optional<double> cutoff,
                                                      PathListNames names = {});
Result<double, CoreError> normalized_distance_paths(PathListView left, PathListView right,
                                                    std::optional<double> cutoff,
                                                    PathListNames names = {});

}  // namespace lumra
