#include "artifacts/fst/node.h"

#include <cstring>

#include "artifacts/fst/format.h"

namespace lumra::fst {
namespace {

Failure<FstError> fault(FstErrorKind kind, std::uint64_t address) { return Fail(FstError{kind, address}); }

}  // namespace

Result<Node, FstError> Node::decode(std::span<const std::uint8_t> bytes, std::uint64_t version,
                                    std::uint64_t address) {
  Node node;
  if (address == kEmptyFinalAddress) return node;
  if (address < kHeaderBytes || address >= bytes.size()) {
    return fault(FstErrorKind::kNodeOutOfBounds, address);
  }
  const std::uint8_t* data = bytes.data();
  // Bytes from the end of the header up to and including the state byte:
  // everything the node may occupy.
  const std::uint64_t room = address - kHeaderBytes + 1;
  const std::uint8_t state = data[address];
  node.data_ = data;
  node.address_ = address;
  node.is_final_ = false;
  std::uint64_t size = 0;

  if ((state & kEncodingMask) == kOneTransitionNextBits ||
      (state & kEncodingMask) == kOneTransitionBits) {
    const std::uint8_t code = state & kLowSixBits;
    const std::uint64_t input_bytes = code == 0 ? 1 : 0;
    if (1 + input_bytes > room) return fault(FstErrorKind::kNodeOutOfBounds, address);
    node.single_input_ = code == 0 ? data[address - 1] : common_input_byte(code);
    node.count_ = 1;
    if ((state & kEncodingMask) == kOneTransitionNextBits) {
      node.encoding_ = Encoding::kOneTransitionNext;
      size = 1 + input_bytes;
    } else {
      node.encoding_ = Encoding::kOneTransition;
      if (2 + input_bytes > room) return fault(FstErrorKind::kNodeOutOfBounds, address);
      const std::uint8_t sizes = data[address - 1 - input_bytes];
      node.delta_size_ = sizes >> 4;
      node.output_size_ = sizes & 0x0F;
      if (node.delta_size_ == 0 || node.delta_size_ > 8 || node.output_size_ > 8) {
        return fault(FstErrorKind::kBadPackSize, address);
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
    if (2 + count_bytes > room) return fault(FstErrorKind::kNodeOutOfBounds, address);
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
      return fault(FstErrorKind::kBadPackSize, address);
    }
    node.indexed_ = has_transition_index(version, node.count_);
    const std::uint64_t final_bytes = node.is_final_ ? node.output_size_ : 0;
    const std::uint64_t per_transition = 1u + node.delta_size_ + node.output_size_;
    size = 2 + count_bytes + (node.indexed_ ? kIndexBytes : 0) + node.count_ * per_transition + final_bytes;
    node.outputs_ = static_cast<std::uint16_t>(final_bytes);
    node.deltas_ = static_cast<std::uint16_t>(node.outputs_ + node.count_ * node.output_size_);
    node.inputs_ = static_cast<std::uint16_t>(node.deltas_ + node.count_ * node.delta_size_);
    node.index_ = static_cast<std::uint16_t>(node.inputs_ + node.count_);
  }
  if (size > room) return fault(FstErrorKind::kNodeOutOfBounds, address);
  node.start_ = address + 1 - size;
  if (node.is_final_ && node.output_size_ > 0) {
    node.final_output_ = unpack(data + node.start_, node.output_size_);
  }
  return node;
}

std::uint64_t Node::target_of(std::uint64_t delta) const {
  if (delta == 0) return kEmptyFinalAddress;
  // A delta reaching below address 0 names no node; kNoAddress is never
  // decodable and fails check_transitions().
  return delta <= start_ ? start_ - delta : kNoAddress;
}

std::uint8_t Node::input(std::size_t i) const {
  if (encoding_ != Encoding::kAnyTransitions) return single_input_;
  return data_[start_ + inputs_ + (count_ - 1 - i)];
}

Transition Node::transition(std::size_t i) const {
  switch (encoding_) {
    case Encoding::kOneTransitionNext:
      return {single_input_, 0, start_ - 1};
    case Encoding::kOneTransition: {
      const std::uint64_t output = output_size_ == 0 ? 0 : unpack(data_ + start_ + outputs_, output_size_);
      return {single_input_, output, target_of(unpack(data_ + start_ + deltas_, delta_size_))};
    }
    case Encoding::kAnyTransitions: {
      // The arrays are stored last transition first.
      const std::size_t slot = count_ - 1 - i;
      const std::uint64_t output =
          output_size_ == 0 ? 0 : unpack(data_ + start_ + outputs_ + slot * output_size_, output_size_);
      const std::uint64_t delta = unpack(data_ + start_ + deltas_ + slot * delta_size_, delta_size_);
      return {data_[start_ + inputs_ + slot], output, target_of(delta)};
    }
    case Encoding::kEmptyFinal:
      break;
  }
  return {0, 0, kNoAddress};
}

std::optional<std::size_t> Node::find(std::uint8_t input) const {
  if (encoding_ == Encoding::kEmptyFinal) return std::nullopt;
  if (encoding_ != Encoding::kAnyTransitions) {
    if (single_input_ == input) return 0;
    return std::nullopt;
  }
  if (indexed_) {
    const std::size_t i = data_[start_ + index_ + input];
    if (i < count_) return i;
    return std::nullopt;
  }
  const auto* inputs = data_ + start_ + inputs_;
  const auto* hit = static_cast<const std::uint8_t*>(std::memchr(inputs, input, count_));
  if (hit == nullptr) return std::nullopt;
  return count_ - 1 - static_cast<std::size_t>(hit - inputs);
}

Status<FstError> check_transitions(const Node& node) {
  const std::size_t count = node.transition_count();
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint64_t target = node.transition(i).target;
    if (target != kEmptyFinalAddress && (target < kHeaderBytes || target >= node.start())) {
      return fault(FstErrorKind::kBadTransitionTarget, node.address());
    }
    if (i > 0 && node.input(i - 1) >= node.input(i)) {
      return fault(FstErrorKind::kUnorderedTransitions, node.address());
    }
  }
  if (!node.has_index()) return Unit{};
  // Lookups go through the index and walks through the inputs: they agree
  // only if the index names every input's transition and nothing else.
  for (std::size_t i = 0; i < count; ++i) {
    const std::optional<std::size_t> found = node.find(node.input(i));
    if (!found || *found != i) return fault(FstErrorKind::kBadTransitionIndex, node.address());
  }
  for (unsigned byte = 0; byte < 256; ++byte) {
    const std::optional<std::size_t> found = node.find(static_cast<std::uint8_t>(byte));
    if (found && node.input(*found) != byte) {
      return fault(FstErrorKind::kBadTransitionIndex, node.address());
    }
  }
  return Unit{};
}

}  // namespace lumra::fst
