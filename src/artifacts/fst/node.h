// One state of an FST, decoded from the bytes below its address.
//
// Decoding checks only what it must to stay inside the bytes it is given
// (sizes and bounds); check_transitions() adds the checks that make a walk
// over validated nodes safe and ordered. A Node points into the FST's bytes
// and is cheap to copy. The decoding and the accessors are inline because a
// lookup runs them once per key byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>

#include "artifacts/fst/format.h"
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
  static Result<Node, FstError> decode(std::span<const std::uint8_t> bytes, std::uint64_t version,
                                       std::uint64_t address) {
    Node node;
    FstErrorKind why{};
    if (!read(bytes, version, address, node, why)) return Fail(FstError{why, address});
    return node;
  }
  // The same without the error value: false (and `why` set) on failure.
  static bool read(std::span<const std::uint8_t> bytes, std::uint64_t version, std::uint64_t address,
                   Node& node, FstErrorKind& why);

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
  Transition transition(std::size_t i) const { return {input(i), output(i), target(i)}; }
  std::uint8_t input(std::size_t i) const;
  std::uint64_t output(std::size_t i) const;
  std::uint64_t target(std::size_t i) const;
  // The number of the transition taking `input`, if any.
  std::optional<std::size_t> find(std::uint8_t input) const;
  // How many of the 256 entries of the transition index hold a number
  // below `limit` (has_index() only).
  std::size_t index_entries_below(std::size_t limit) const {
    const std::uint8_t* index = data_ + start_ + index_;
    std::size_t entries = 0;
    for (std::size_t byte = 0; byte < 256; ++byte) entries += index[byte] < limit ? 1 : 0;
    return entries;
  }

 private:
  enum class Encoding : std::uint8_t { kEmptyFinal, kOneTransitionNext, kOneTransition, kAnyTransitions };

  // Per-transition arrays are stored last transition first.
  std::size_t slot(std::size_t i) const { return count_ - 1 - i; }

  const std::uint8_t* data_ = nullptr;
  std::uint64_t address_ = 0;
  std::uint64_t start_ = 0;
  std::uint64_t final_output_ = 0;
  // Offsets from start_ of the per-transition arrays (a node is under 5 KiB).
  std::uint16_t deltas_ = 0;
  std::uint16_t inputs_ = 0;
  std::uint16_t index_ = 0;
  std::uint16_t count_ = 0;
  std::uint8_t outputs_ = 0;  // after the final output, at most 8 bytes
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

inline bool Node::read(std::span<const std::uint8_t> bytes, std::uint64_t version, std::uint64_t address,
                       Node& node, FstErrorKind& why) {
  if (address == kEmptyFinalAddress) {
    node = Node();
    return true;
  }
  why = FstErrorKind::kNodeOutOfBounds;
  if (address < kHeaderBytes || address >= bytes.size()) return false;
  const std::uint8_t* data = bytes.data();
  // Bytes from the end of the header up to and including the state byte:
  // everything the node may occupy.
  const std::uint64_t room = address - kHeaderBytes + 1;
  const std::uint8_t state = data[address];
  node.data_ = data;
  node.address_ = address;
  node.final_output_ = 0;
  node.indexed_ = false;
  std::uint64_t size;
  if ((state & kEncodingMask) == kOneTransitionNextBits || (state & kEncodingMask) == kOneTransitionBits) {
    const std::uint8_t code = state & kLowSixBits;
    const std::uint64_t input_bytes = code == 0 ? 1 : 0;
    if (1 + input_bytes > room) return false;
    node.single_input_ = code == 0 ? data[address - 1] : common_input_byte(code);
    node.count_ = 1;
    node.is_final_ = false;
    if ((state & kEncodingMask) == kOneTransitionNextBits) {
      node.encoding_ = Encoding::kOneTransitionNext;
      node.delta_size_ = 0;
      node.output_size_ = 0;
      size = 1 + input_bytes;
    } else {
      node.encoding_ = Encoding::kOneTransition;
      if (2 + input_bytes > room) return false;
      const std::uint8_t sizes = data[address - 1 - input_bytes];
      node.delta_size_ = sizes >> 4;
      node.output_size_ = sizes & 0x0F;
      if (node.delta_size_ == 0 || node.delta_size_ > 8 || node.output_size_ > 8) {
        why = FstErrorKind::kBadPackSize;
        return false;
      }
      size = 2 + input_bytes + node.delta_size_ + node.output_size_;
      node.outputs_ = 0;
      node.deltas_ = node.output_size_;
    }
  } else {
    node.encoding_ = Encoding::kAnyTransitions;
    node.is_final_ = (state & kFinalBit) != 0;
    const std::uint8_t in_state = state & kLowSixBits;
    const std::uint64_t count_bytes = in_state == 0 ? 1 : 0;
    if (2 + count_bytes > room) return false;
    if (in_state != 0) {
      node.count_ = in_state;
    } else {
      const std::uint8_t count = data[address - 1];
      node.count_ = count == kCountByteFor256 ? 256 : count;
    }
    const std::uint8_t sizes = data[address - 1 - count_bytes];
    node.delta_size_ = sizes >> 4;
    node.output_size_ = sizes & 0x0F;
    if (node.delta_size_ > 8 || node.output_size_ > 8 || (node.count_ > 0 && node.delta_size_ == 0)) {
      why = FstErrorKind::kBadPackSize;
      return false;
    }
    node.indexed_ = has_transition_index(version, node.count_);
    const std::uint64_t final_bytes = node.is_final_ ? node.output_size_ : 0;
    const std::uint64_t per_transition = 1u + node.delta_size_ + node.output_size_;
    size = 2 + count_bytes + (node.indexed_ ? kIndexBytes : 0) + node.count_ * per_transition + final_bytes;
    node.outputs_ = static_cast<std::uint8_t>(final_bytes);
    node.deltas_ = static_cast<std::uint16_t>(node.outputs_ + node.count_ * node.output_size_);
    node.inputs_ = static_cast<std::uint16_t>(node.deltas_ + node.count_ * node.delta_size_);
    node.index_ = static_cast<std::uint16_t>(node.inputs_ + node.count_);
  }
  if (size > room) return false;
  node.start_ = address + 1 - size;
  if (node.is_final_ && node.output_size_ > 0) node.final_output_ = unpack(data + node.start_, node.output_size_);
  return true;
}

inline std::uint8_t Node::input(std::size_t i) const {
  if (encoding_ != Encoding::kAnyTransitions) return single_input_;
  return data_[start_ + inputs_ + slot(i)];
}

// A node's fields lie above the 16-byte header, so unpack_before() may read
// the 8 bytes that end with any of them.
inline std::uint64_t Node::output(std::size_t i) const {
  if (output_size_ == 0) return 0;
  const std::size_t at = encoding_ == Encoding::kAnyTransitions ? slot(i) * output_size_ : 0;
  return unpack_before(data_ + start_ + outputs_ + at + output_size_, output_size_);
}

inline std::uint64_t Node::target(std::size_t i) const {
  if (encoding_ == Encoding::kOneTransitionNext) return start_ - 1;
  const std::size_t at = encoding_ == Encoding::kAnyTransitions ? slot(i) * delta_size_ : 0;
  const std::uint64_t delta = unpack_before(data_ + start_ + deltas_ + at + delta_size_, delta_size_);
  if (delta == 0) return kEmptyFinalAddress;
  // A delta reaching below address 0 names no node: kNoAddress never
  // decodes, and check_transitions() rejects it.
  return delta <= start_ ? start_ - delta : kNoAddress;
}

inline std::optional<std::size_t> Node::find(std::uint8_t input) const {
  switch (encoding_) {
    case Encoding::kEmptyFinal:
      return std::nullopt;
    case Encoding::kOneTransitionNext:
    case Encoding::kOneTransition:
      if (single_input_ == input) return 0;
      return std::nullopt;
    case Encoding::kAnyTransitions:
      break;
  }
  if (indexed_) {
    const std::size_t i = data_[start_ + index_ + input];
    if (i < count_) return i;
    return std::nullopt;
  }
  const std::uint8_t* inputs = data_ + start_ + inputs_;
  for (std::size_t s = 0; s < count_; ++s) {
    if (inputs[s] == input) return slot(s);  // slot() is its own inverse
  }
  return std::nullopt;
}

}  // namespace lumra::fst
