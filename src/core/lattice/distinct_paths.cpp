#include "core/lattice/distinct_paths.h"

#include <algorithm>
#include <functional>
#include <string_view>
#include <unordered_set>

namespace lumra {

namespace {

struct PathHash {
  std::size_t operator()(Symbols path) const {
    return std::hash<std::string_view>{}(
        std::string_view(reinterpret_cast<const char*>(path.data()), path.size_bytes()));
  }
};

struct PathEqual {
  bool operator()(Symbols a, Symbols b) const { return std::ranges::equal(a, b); }
};

}  // namespace

std::vector<Symbols> distinct_paths(PathListView paths) {
  std::vector<Symbols> distinct;
  if (paths.size() <= 1) {
    if (!paths.empty()) distinct.push_back(paths[0]);
    return distinct;
  }
  // Not presized: a list long enough to matter is mostly copies.
  std::unordered_set<Symbols, PathHash, PathEqual> seen;
  Symbols previous = paths[0];
  seen.insert(previous);
  distinct.push_back(previous);
  for (std::size_t p = 1; p < paths.size(); ++p) {
    const Symbols path = paths[p];
    // Copies tend to come in runs, which a comparison settles before any
    // hashing.
    if (PathEqual{}(path, previous)) continue;
    previous = path;
    if (seen.insert(path).second) distinct.push_back(path);
  }
  return distinct;
}

}  // namespace lumra
