#include "artifacts/fst/frozen_node.h"

#include <algorithm>
#include <array>

#include "artifacts/fst/format.h"

namespace lumra::fst {
namespace {

void append_packed(std::vector<std::uint8_t>& out, std::uint64_t value, std::uint8_t size) {
  for (std::uint8_t i = 0; i < size; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// Deltas count down from the node's first byte; 0 names the empty final
// state.
std::uint64_t delta_to(std::uint64_t start, std::uint64_t target) {
  return target == kEmptyFinalAddress ? 0 : start - target;
}

void append_one_transition(std::vector<std::uint8_t>& out, const Transition& transition,
                           std::uint64_t last_address) {
  const std::uint64_t start = out.size();
  const std::uint8_t code = common_input_code(transition.input);
  if (transition.target == last_address && transition.output == 0) {
    if (code == 0) out.push_back(transition.input);
    out.push_back(kOneTransitionNextBits | code);
    return;
  }
  const std::uint8_t output_size = transition.output == 0 ? 0 : packed_size(transition.output);
  append_packed(out, transition.output, output_size);
  const std::uint64_t delta = delta_to(start, transition.target);
  const std::uint8_t delta_size = packed_size(delta);
  append_packed(out, delta, delta_size);
  out.push_back(static_cast<std::uint8_t>(delta_size << 4 | output_size));
  if (code == 0) out.push_back(transition.input);
  out.push_back(kOneTransitionBits | code);
}

void append_any_transitions(std::vector<std::uint8_t>& out, const FrozenNode& node) {
  const std::uint64_t start = out.size();
  const auto& transitions = node.transitions;
  const std::size_t count = transitions.size();
  std::uint8_t delta_size = 0;
  bool any_output = node.final_output != 0;
  std::uint8_t output_size = packed_size(node.final_output);
  for (const Transition& t : transitions) {
    delta_size = std::max(delta_size, packed_size(delta_to(start, t.target)));
    output_size = std::max(output_size, packed_size(t.output));
    any_output = any_output || t.output != 0;
  }
  if (!any_output) output_size = 0;
  if (node.is_final) append_packed(out, node.final_output, output_size);
  for (std::size_t i = count; i-- > 0;) append_packed(out, transitions[i].output, output_size);
  for (std::size_t i = count; i-- > 0;) append_packed(out, delta_to(start, transitions[i].target), delta_size);
  for (std::size_t i = count; i-- > 0;) out.push_back(transitions[i].input);
  if (has_transition_index(kFormatVersion, count)) {
    std::array<std::uint8_t, kIndexBytes> index;
    index.fill(0xFF);  // any value >= count means "no transition"
    for (std::size_t i = 0; i < count; ++i) index[transitions[i].input] = static_cast<std::uint8_t>(i);
    out.insert(out.end(), index.begin(), index.end());
  }
  out.push_back(static_cast<std::uint8_t>(delta_size << 4 | output_size));
  const bool count_in_state = count >= 1 && count <= kLowSixBits;
  if (!count_in_state) out.push_back(count == 256 ? kCountByteFor256 : static_cast<std::uint8_t>(count));
  out.push_back(static_cast<std::uint8_t>((node.is_final ? kFinalBit : 0) |
                                          (count_in_state ? count : 0)));
}

}  // namespace

void append_encoded(std::vector<std::uint8_t>& out, const FrozenNode& node, std::uint64_t last_address) {
  if (!node.is_final && node.transitions.size() == 1) {
    append_one_transition(out, node.transitions[0], last_address);
  } else {
    append_any_transitions(out, node);
  }
}

bool same_state(const FrozenNode& node, const Node& written) {
  if (node.is_final != written.is_final() || node.final_output != written.final_output() ||
      node.transitions.size() != written.transition_count()) {
    return false;
  }
  for (std::size_t i = 0; i < node.transitions.size(); ++i) {
    const Transition a = node.transitions[i];
    const Transition b = written.transition(i);
    if (a.input != b.input || a.output != b.output || a.target != b.target) return false;
  }
  return true;
}

}  // namespace lumra::fst
