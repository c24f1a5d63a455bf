// Path lists as the module receives them: a list of alternative strings
// that must stand for a non-empty set, either all empty or none empty.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/base/errors.h"
#include "core/lattice/lattice.h"
#include "core/lattice/path_list_view.h"
#include "core/base/result.h"

namespace lumra {

// Checks the list before any lattice is built; `argument_name` is the name
// the caller knows the list by and goes into the message.
Status<PathListError> validate_path_list(PathListView paths, std::string_view argument_name);

// The lattice of a list that passed validate_path_list: a list of only empty
// paths (one or several) is the empty string, anything else gets one chain
// per path. Fails only on a list that was not validated.
Result<PathLattice, LatticeError> path_list_lattice(PathListView paths);

// The node count of path_list_lattice(paths) for a list that passed
// validate_path_list, from the path lengths alone, so that the state limit
// (lattice_state_limit.h) can be checked before a lattice costs any memory:
// one node for a list of empty paths, else a shared start and end and one
// node after each symbol but the last of every path. For a list without
// empty paths this is PathLattice::from_paths's count, and never less than
// from_paths_compact's.
std::uint64_t path_list_node_count(PathListView paths);

// The node count of path_list_lattice(paths) for any list, or the error it
// fails with, without building it: for callers whose lists were not
// validated and that decide on the state limit before building anything.
Result<std::uint64_t, LatticeError> path_list_lattice_node_count(PathListView paths);

}  // namespace lumra
