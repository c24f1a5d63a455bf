// The metrics between two lists of alternative strings ("paths").
//
// Each list is checked first (left, then right) and, for the integer metrics
// and threshold tests, turned into a chain lattice; the normalized metrics
// compare the alternatives pairwise as plain strings and build no lattice.
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
