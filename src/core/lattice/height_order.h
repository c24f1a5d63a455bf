// Node numbers for a lattice assembled from merged states.
//
// Builders that merge equal suffixes of sorted strings (the Chinese reading
// lattices) register states bottom up; the lattice wants every arc to lead
// to a higher node. Numbering the root first and then the states by
// decreasing height (the longest string below a state) gives that order,
// and keeping the registration order among equal heights makes the result
// the same whichever builder made the states.
#pragma once

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <vector>

namespace lumra {

struct HeightOrder {
  std::vector<std::uint32_t> state_of_node;
  std::vector<std::uint64_t> node_of_state;
};

// `State` has a `height` member.
template <class State>
HeightOrder order_by_height(const std::vector<State>& states, std::uint32_t root) {
  HeightOrder order;
  order.state_of_node.resize(states.size());
  std::iota(order.state_of_node.begin(), order.state_of_node.end(), 0u);
  std::sort(order.state_of_node.begin(), order.state_of_node.end(),
            [&](std::uint32_t a, std::uint32_t b) {
              if ((a == root) != (b == root)) return a == root;
              if (states[a].height != states[b].height) return states[a].height > states[b].height;
              return a < b;
            });
  order.node_of_state.resize(states.size());
  for (std::size_t node = 0; node < states.size(); ++node) {
    order.node_of_state[order.state_of_node[node]] = node;
  }
  return order;
}

}  // namespace lumra
