#include "core/lattice/path_list.h"

#include <string>

namespace lumra {

Status<PathListError> validate_path_list(PathListView paths, std::string_view argument_name) {
  if (paths.empty()) {
    return Fail(PathListError{PathListError::Kind::NoPath, std::string(argument_name)});
  }
  bool any_empty = false;
  bool any_non_empty = false;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    (paths[i].empty() ? any_empty : any_non_empty) = true;
  }
  if (any_empty && any_non_empty) {
    return Fail(
        PathListError{PathListError::Kind::MixedEmptyAndNonEmpty, std::string(argument_name)});
  }
  return Unit{};
}

Result<PathLattice, LatticeError> path_list_lattice(PathListView paths) {
  // Several empty paths are one empty string to the integer metrics, while
  // the chain builder rejects them (it would need epsilon arcs).
  if (!paths.empty() && paths[0].empty()) {
    bool all_empty = true;
    for (std::size_t i = 1; i < paths.size() && all_empty; ++i) all_empty = paths[i].empty();
    if (all_empty) return PathLattice::empty_string();
  }
  return PathLattice::from_paths(paths);
}

std::uint64_t path_list_node_count(PathListView paths) {
  std::uint64_t inner = 0;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (paths[i].empty()) return 1;  // validated: then every path is empty
    inner += paths[i].size() - 1;
  }
  return inner + 2;
}

Result<std::uint64_t, LatticeError> path_list_lattice_node_count(PathListView paths) {
  if (paths.empty()) return Fail(LatticeError(lattice_errors::Empty{}));
  bool any_empty = false;
  bool any_non_empty = false;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    (paths[i].empty() ? any_empty : any_non_empty) = true;
  }
  if (any_empty && any_non_empty) {
    return Fail(LatticeError(lattice_errors::MixedEmptyAndNonEmptyPaths{}));
  }
  return path_list_node_count(paths);
}

}  // namespace lumra
