// The two ways a list of alternative strings becomes a PathLattice.
//
// Both builders share the empty-path rules: a lattice arc always spells one
// symbol, so the empty string can only be the one-node lattice, and it
// cannot sit beside non-empty paths without epsilon arcs.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/lattice/lattice.h"

namespace lumra {

namespace {

using namespace lattice_errors;

// The outcome of the empty-path rules when they decide the result alone;
// nothing when the builder proper has to run.
std::optional<Result<PathLattice, LatticeError>> apply_empty_path_rules(PathListView paths) {
  if (paths.empty()) return Result<PathLattice, LatticeError>(Fail(LatticeError(Empty{})));
  if (paths.size() == 1 && paths[0].empty()) {
    return Result<PathLattice, LatticeError>(PathLattice::empty_string());
  }
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (paths[i].empty()) {
      return Result<PathLattice, LatticeError>(Fail(LatticeError(MixedEmptyAndNonEmptyPaths{})));
    }
  }
  return std::nullopt;
}

// One node of the prefix tree. A final symbol x means that some path ends
// with x right after reaching this node, so a path's last symbol never
// creates a tree node and equal endings are later merged by state.
struct TreeNode {
  std::map<Symbol, std::size_t> children;  // ascending symbol order
  std::set<Symbol> finals;                 // ascending, repeats collapse
};

std::vector<TreeNode> build_prefix_tree(PathListView paths) {
  std::vector<TreeNode> tree(1);
  for (std::size_t p = 0; p < paths.size(); ++p) {
    const Symbols path = paths[p];
    std::size_t current = 0;
    for (std::size_t s = 0; s + 1 < path.size(); ++s) {
      auto found = tree[current].children.find(path[s]);
      if (found == tree[current].children.end()) {
        const std::size_t fresh = tree.size();
        tree[current].children.emplace(path[s], fresh);
        tree.emplace_back();  // invalidates references into `tree`, hence the indices
        current = fresh;
      } else {
        current = found->second;
      }
    }
    tree[current].finals.insert(path.back());
  }
  return tree;
}

// What makes two tree nodes interchangeable: the same final symbols and the
// same child states under the same symbols.
struct StateSignature {
  std::vector<Symbol> finals;
  std::vector<std::pair<Symbol, std::size_t>> children;
  bool operator==(const StateSignature&) const = default;
};

struct SignatureHash {
  std::size_t operator()(const StateSignature& signature) const {
    std::uint64_t h = 0xcbf29ce484222325ull;
    auto mix = [&h](std::uint64_t v) {
      h ^= v + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2);
    };
    mix(signature.finals.size());
    for (Symbol s : signature.finals) mix(s);
    for (const auto& [symbol, state] : signature.children) {
      mix(symbol);
      mix(state);
    }
    return static_cast<std::size_t>(h);
  }
};

// The merged states, numbered in order of first registration.
struct MergedStates {
  std::vector<StateSignature> signatures;
  std::vector<std::uint64_t> heights;
  std::size_t root = 0;
};

// Registers every tree node bottom-up, children in ascending symbol order
// before their parent, and gives equal signatures one state. The walk keeps
// its own stack: a single long path would otherwise recurse once per symbol.
MergedStates merge_states(const std::vector<TreeNode>& tree) {
  MergedStates merged;
  std::unordered_map<StateSignature, std::size_t, SignatureHash> registry;
  std::unordered_map<std::size_t, std::size_t> state_of_tree_node;

  struct Frame {
    std::size_t node;
    std::map<Symbol, std::size_t>::const_iterator next_child;
  };
  std::vector<Frame> stack{{0, tree[0].children.begin()}};
  while (!stack.empty()) {
    Frame& frame = stack.back();
    const TreeNode& node = tree[frame.node];
    if (frame.next_child != node.children.end()) {
      const std::size_t child = (frame.next_child++)->second;
      if (!state_of_tree_node.contains(child)) {
        stack.push_back({child, tree[child].children.begin()});
      }
      continue;
    }

    StateSignature signature;
    signature.finals.assign(node.finals.begin(), node.finals.end());
    std::uint64_t height = signature.finals.empty() ? 0 : 1;
    for (const auto& [symbol, child] : node.children) {
      const std::size_t child_state = state_of_tree_node.at(child);
      signature.children.emplace_back(symbol, child_state);
      height = std::max(height, merged.heights[child_state] + 1);
    }
    auto [entry, inserted] = registry.try_emplace(signature, merged.signatures.size());
    if (inserted) {
      merged.signatures.push_back(std::move(signature));
      merged.heights.push_back(height);
    }
    state_of_tree_node.emplace(frame.node, entry->second);
    stack.pop_back();
  }
  merged.root = state_of_tree_node.at(0);
  return merged;
}

}  // namespace

Result<PathLattice, LatticeError> PathLattice::from_paths(PathListView paths) {
  if (auto decided = apply_empty_path_rules(paths)) return std::move(*decided);

  std::uint64_t symbol_count = 0;
  for (std::size_t p = 0; p < paths.size(); ++p) symbol_count += paths[p].size();
  // Each path has its own inner nodes, one fewer than its symbols.
  const std::uint64_t end = 1 + symbol_count - paths.size();

  std::vector<LatticeArc> arcs;
  arcs.reserve(symbol_count);
  std::uint64_t fresh = 1;
  for (std::size_t p = 0; p < paths.size(); ++p) {
    const Symbols path = paths[p];
    std::uint64_t current = 0;
    for (std::size_t s = 0; s < path.size(); ++s) {
      const std::uint64_t dst = s + 1 == path.size() ? end : fresh++;
      arcs.push_back({current, dst, path[s]});
      current = dst;
    }
  }
  return from_arcs(end + 1, 0, end, std::move(arcs));
}

Result<PathLattice, LatticeError> PathLattice::from_paths_compact(PathListView paths) {
  if (auto decided = apply_empty_path_rules(paths)) return std::move(*decided);

  const MergedStates merged = merge_states(build_prefix_tree(paths));
  const std::size_t state_count = merged.signatures.size();

  // Every child has a smaller height than its parent, so ordering by height
  // (greatest first) keeps every arc pointing to a higher node number.
  std::vector<std::size_t> order(state_count);
  for (std::size_t s = 0; s < state_count; ++s) order[s] = s;
  std::sort(order.begin(), order.end(), [&merged](std::size_t a, std::size_t b) {
    if ((a == merged.root) != (b == merged.root)) return a == merged.root;
    if (merged.heights[a] != merged.heights[b]) return merged.heights[a] > merged.heights[b];
    return a < b;
  });
  std::vector<std::uint64_t> node_of_state(state_count);
  for (std::size_t position = 0; position < state_count; ++position) {
    node_of_state[order[position]] = position;
  }

  const std::uint64_t end = state_count;
  std::vector<LatticeArc> arcs;
  for (std::size_t position = 0; position < state_count; ++position) {
    const StateSignature& state = merged.signatures[order[position]];
    for (Symbol symbol : state.finals) arcs.push_back({position, end, symbol});
    for (const auto& [symbol, child] : state.children) {
      arcs.push_back({position, node_of_state[child], symbol});
    }
  }
  return from_arcs(end + 1, 0, end, std::move(arcs));
}

}  // namespace lumra
