// One state of an FST, decoded from the bytes below its address.
//
// Decoding checks only what it must to stay inside the bytes it is given
// (sizes and bounds); check_transitions() adds the checks that make a walk
// over validated nodes safe and ordered. A Node points into the FST's bytes
// and is cheap to copy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "artifacts/fst/fst_error.h"
#include "core/base/result.h"

namespace lumra::fst {

struct Transition {
  std::uint8_t input;
  std::uint64_t output;
  std::uint64_t target;  // a node address, or kEmptyFinalAddress
};

class Node {
 public:
  // The empty final state (address 0).
  Node() = default;

  // The state whose state byte is at `address`. Nodes may only occupy
  // [kHeaderBytes, bytes.size()), so `bytes` should end right after the
  // root (or after the last node written so far). Address 0 is the empty
  // final state, which has no bytes.
  static Result<Node, FstError> decode(std::span<const std::uint8_t> bytes,
                                       std::uint64_t version, std::uint64_t address);

  std::uint64_t address() const { return address_; }
  // The node's first byte; transitions go strictly below it.
  std::uint64_t start() const { return start_; }
  bool is_final() const { return is_final_; }
  std::uint64_t final_output() const { return final_output_; }
  std::size_t transition_count() const { return count_; }
  // A state no key passes through: not final and without transitions. Only
  // the root of the empty map may be one.
  bool is_dead_end() const { return !is_final_ && count_ == 0; }
  // Whether lookups go through a 256-byte transition index.
  bool has_index() const { return indexed_; }

  // Transition `i` (< transition_count()), in ascending input order.
  Transition transition(std::size_t i) const;
  std::uint8_t input(std::size_t i) const;
  // The number of the transition taking `input`, if any.
  std::optional<std::size_t> find(std::uint8_t input) const;

 private:
  enum class Encoding : std::uint8_t { kEmptyFinal, kOneTransitionNext, kOneTransition, kAnyTransitions };

  std::uint64_t target_of(std::uint64_t delta) const;

  const std::uint8_t* data_ = nullptr;
  std::uint64_t address_ = 0;
  std::uint64_t start_ = 0;
  std::uint64_t final_output_ = 0;
  // Offsets from start_ of the per-transition arrays (a node is under 5 KiB).
  std::uint16_t outputs_ = 0;
  std::uint16_t deltas_ = 0;
  std::uint16_t inputs_ = 0;
  std::uint16_t index_ = 0;
  std::uint16_t count_ = 0;
  std::uint8_t delta_size_ = 0;
  std::uint8_t output_size_ = 0;
  std::uint8_t single_input_ = 0;
  Encoding encoding_ = Encoding::kEmptyFinal;
  bool is_final_ = true;
  bool indexed_ = false;
};

// Every target is the empty final state or lies strictly below the node's
// first byte and above the header, inputs strictly ascend, and a transition
// index, if any, agrees with the inputs both ways.
Status<FstError> check_transitions(const Node& node);

}  // namespace lumra::fst
