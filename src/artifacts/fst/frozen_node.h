// A state as the writer holds it once all its transitions are known, and its
// encoding into the serialised form (FORMAT.md, "State byte").
#pragma once

#include <cstdint>
#include <vector>

#include "artifacts/fst/node.h"

namespace lumra::fst {

struct FrozenNode {
  bool is_final = false;
  std::uint64_t final_output = 0;
  std::vector<Transition> transitions;  // ascending inputs, targets already written
};

// Appends `node` to `out`; its address is then out.size() - 1.
// `last_address` is the address of the node written just before, which a
// single transition with output 0 can reach without storing a delta.
// Picks the same encoding the reference library picks, so equal maps come
// out byte for byte equal.
void append_encoded(std::vector<std::uint8_t>& out, const FrozenNode& node, std::uint64_t last_address);

// Whether the written node `written` stands for the same state as `node`.
bool same_state(const FrozenNode& node, const Node& written);

}  // namespace lumra::fst
