// The distinct paths of a list.
//
// A path list may repeat a path any number of times, and every metric
// between two lists is a best pair, which a repeat cannot change. Comparing
// only the distinct paths keeps a list of thousands of copies of one word
// from costing thousands of thousands of comparisons.
#pragma once

#include <vector>

#include "core/base/symbols.h"
#include "core/lattice/path_list_view.h"

namespace lumra {

// The first occurrence of each path of `paths`, in list order; the views
// point into the list's own paths.
std::vector<Symbols> distinct_paths(PathListView paths);

}  // namespace lumra
