#include "artifacts/fst/key_order_walk.h"

#include <algorithm>
#include <span>

#include "artifacts/fst/format.h"
#include "artifacts/fst/node.h"

namespace lumra::fst {
namespace {

// Room for the keys of a typical map before the buffers first grow.
constexpr std::size_t kInitialKeyBytes = 64;

constexpr std::uint64_t kStayInStateZero[256] = {};

const std::uint8_t* common_input(std::uint8_t code) {
  return reinterpret_cast<const std::uint8_t*>(kCommonInputs) + (code - 1);
}

}  // namespace

const KeyAutomaton kNoKeyAutomaton = kStayInStateZero;

// The frames on the path sit at distinct key lengths below the current one,
// so one more frame than key bytes is always enough.
template <bool kCheckNodes>
KeyOrderWalk<kCheckNodes>::KeyOrderWalk(const WalkedMap& map, std::size_t max_key_bytes,
                                        KeyAutomaton key_automaton)
    : map_(map),
      max_key_bytes_(max_key_bytes),
      key_automaton_(key_automaton),
      frames_(kInitialKeyBytes + 1),
      key_(kInitialKeyBytes),
      key_room_(std::min(kInitialKeyBytes, max_key_bytes)) {}

template <bool kCheckNodes>
Result<bool, FstError> KeyOrderWalk<kCheckNodes>::fail(FstErrorKind kind, std::uint64_t where) {
  error_ = FstError{kind, where};
  key_length_ = 0;
  live_frames_ = 0;
  return Fail(*error_);
}

template <bool kCheckNodes>
Result<bool, FstError> KeyOrderWalk<kCheckNodes>::found(std::uint64_t value, std::size_t length,
                                                        std::size_t shared) {
  key_length_ = length;
  value_ = value;
  shared_prefix_ = shared;
  if (++keys_seen_ > map_.key_count) return fail(FstErrorKind::kKeyCountMismatch, map_.key_count);
  return true;
}

template <bool kCheckNodes>
bool KeyOrderWalk<kCheckNodes>::grow(std::size_t depth) {
  if (depth >= max_key_bytes_) return false;
  key_.resize(key_.size() * 2);
  frames_.resize(key_.size() + 1);
  key_room_ = std::min(key_.size(), max_key_bytes_);
  return true;
}

template <bool kCheckNodes>
std::uint64_t KeyOrderWalk<kCheckNodes>::target(std::uint64_t start, std::uint64_t delta,
                                                std::uint64_t node) {
  if (delta == 0) return kEmptyFinalAddress;
  if constexpr (kCheckNodes) {
    // Strictly below the node's first byte and above the header, or exactly
    // address 0, which is the empty final state however it is reached.
    if (delta > start || (start - delta != kEmptyFinalAddress && start - delta < kHeaderBytes)) {
      fault_ = {FstErrorKind::kBadTransitionTarget, node};
      return kNoAddress;
    }
  }
  return start - delta;
}

template <bool kCheckNodes>
bool KeyOrderWalk<kCheckNodes>::check_indexed_node(std::uint64_t address) {
  if (indexed_checked_.empty()) indexed_checked_.assign(map_.root / 64 + 1, 0);
  std::uint64_t& word = indexed_checked_[address / 64];
  const std::uint64_t bit = std::uint64_t{1} << (address % 64);
  if ((word & bit) != 0) return true;
  // Rare enough to take open()'s own route: a full decode and every check
  // of its transitions, the index's agreement with the inputs among them.
  Node node;
  FstErrorKind why{};
  const std::span<const std::uint8_t> nodes(map_.data, map_.root + 1);
  if (!Node::read(nodes, map_.version, address, node, why)) {
    fault_ = {why, address};
    return false;
  }
  if (Status<FstError> checked = check_transitions(node); !checked.ok()) {
    fault_ = checked.error();
    return false;
  }
  word |= bit;
  return true;
}

// The layout is the one Node::read() decodes (FORMAT.md). A trusting walk
// reads sizes as they stand; a checking one makes Node::read()'s checks
// first, in its order, and open()'s dead-end check after them.
template <bool kCheckNodes>
typename KeyOrderWalk<kCheckNodes>::Entered KeyOrderWalk<kCheckNodes>::enter(
    std::uint64_t address, std::uint64_t output, std::size_t depth, std::uint64_t key_state,
    std::uint64_t& final_output) {
  final_output = 0;
  if (address == kEmptyFinalAddress) return Entered::kFinal;
  auto fault = [&](FstErrorKind kind) {
    fault_ = {kind, address};
    return Entered::kFault;
  };
  // In a checking walk kHeaderBytes <= address <= root: the root was
  // checked before the walk began, and every other node is a target.
  const std::uint64_t room = address - kHeaderBytes + 1;
  Frame& frame = frames_[live_frames_];
  frame.output = output;
  frame.depth = static_cast<std::uint32_t>(depth);
  frame.key_state = static_cast<std::uint8_t>(key_state & 63);
  frame.address = address;
  const std::uint8_t* data = map_.data;
  const std::uint8_t state = data[address];
  const std::uint8_t low = state & kLowSixBits;
  if ((state & 0x80) != 0) {  // the two one-transition encodings, never final
    const std::uint64_t input_bytes = low == 0 ? 1 : 0;
    if (kCheckNodes && 1 + input_bytes > room) return fault(FstErrorKind::kNodeOutOfBounds);
    frame.slots_left = 1;
    frame.count = 1;
    frame.inputs = low != 0 ? common_input(low) : data + address - 1;
    const std::uint64_t below_input = address - 1 - input_bytes;
    if ((state & kEncodingMask) == kOneTransitionNextBits) {
      // No delta: the target is the node right below, start - 1.
      frame.delta_size = 0;
      frame.output_size = 0;
      frame.start = below_input + 1;
    } else {
      if (kCheckNodes && 2 + input_bytes > room) return fault(FstErrorKind::kNodeOutOfBounds);
      const std::uint8_t sizes = data[below_input];
      frame.delta_size = sizes >> 4;
      frame.output_size = sizes & 0x0F;
      if (kCheckNodes && (frame.delta_size == 0 || frame.delta_size > 8 || frame.output_size > 8)) {
        return fault(FstErrorKind::kBadPackSize);
      }
      if (kCheckNodes && 2 + input_bytes + frame.delta_size + frame.output_size > room) {
        return fault(FstErrorKind::kNodeOutOfBounds);
      }
      frame.deltas = data + below_input - frame.delta_size;
      frame.outputs = frame.deltas - frame.output_size;
      frame.start = below_input - frame.delta_size - frame.output_size;
    }
    ++live_frames_;
    return Entered::kInner;
  }
  const std::uint64_t count_bytes = low == 0 ? 1 : 0;
  if (kCheckNodes && 2 + count_bytes > room) return fault(FstErrorKind::kNodeOutOfBounds);
  std::size_t count = low;
  if (low == 0) count = data[address - 1] == kCountByteFor256 ? 256 : data[address - 1];
  const std::uint64_t sizes_at = address - 1 - count_bytes;
  const std::uint8_t sizes = data[sizes_at];
  const std::uint8_t delta_size = sizes >> 4;
  const std::uint8_t output_size = sizes & 0x0F;
  const bool indexed = has_transition_index(map_.version, count);
  const bool final = (state & kFinalBit) != 0;
  if constexpr (kCheckNodes) {
    if (delta_size > 8 || output_size > 8 || (count > 0 && delta_size == 0)) {
      return fault(FstErrorKind::kBadPackSize);
    }
    const std::uint64_t size = 2 + count_bytes + (indexed ? kIndexBytes : 0) +
                               count * (1u + delta_size + output_size) + (final ? output_size : 0);
    if (size > room) return fault(FstErrorKind::kNodeOutOfBounds);
    if (!final && count == 0 && address != map_.root) return fault(FstErrorKind::kDeadEnd);
    if (indexed && !check_indexed_node(address)) return Entered::kFault;
  }
  frame.slots_left = static_cast<std::uint16_t>(count);
  frame.count = static_cast<std::uint16_t>(count);
  frame.delta_size = delta_size;
  frame.output_size = output_size;
  frame.inputs = data + sizes_at - (indexed ? kIndexBytes : 0) - count;
  frame.deltas = frame.inputs - count * delta_size;
  frame.outputs = frame.deltas - count * output_size;
  frame.start = static_cast<std::uint64_t>(frame.outputs - data) - (final ? output_size : 0);
  if (final) final_output = unpack(data + frame.start, output_size);
  if (count != 0) ++live_frames_;
  return final ? Entered::kFinal : Entered::kInner;
}

template <bool kCheckNodes>
Result<bool, FstError> KeyOrderWalk<kCheckNodes>::next() {
  if (error_) return Fail(*error_);
  if (done_) return false;
  const std::uint8_t* data = map_.data;
  std::uint64_t final_output;
  // The bytes shared with the previous key: the shortest the key gets
  // before it grows again.
  std::size_t shared = key_length_;
  if (!started_) {
    started_ = true;
    // The empty key sorts first; the root being final means it is there.
    const Entered root = enter(map_.root, 0, 0, 0, final_output);
    if (root == Entered::kFault) return fail(fault_.kind, fault_.where);
    if (root == Entered::kFinal) {
      key_state_ = 0;
      return found(final_output, 0, 0);
    }
  }
  while (live_frames_ > 0) {
    Frame& top = frames_[live_frames_ - 1];
    const std::uint32_t slot = --top.slots_left;
    std::size_t depth = top.depth;
    std::uint64_t key_state = top.key_state;
    std::uint8_t input = top.inputs[slot];
    // The slot above holds the transition taken before this one.
    if (kCheckNodes && slot + 1u < top.count && top.inputs[slot + 1] >= input) {
      return fail(FstErrorKind::kUnorderedTransitions, top.address);
    }
    std::uint64_t output =  // modulo 2^64, as every sum of outputs
        top.output + unpack_before(top.outputs + (slot + 1) * top.output_size, top.output_size);
    const std::uint64_t delta =
        top.delta_size != 0 ? unpack_before(top.deltas + (slot + 1) * top.delta_size, top.delta_size) : 1;
    std::uint64_t address = target(top.start, delta, top.address);
    if (kCheckNodes && address == kNoAddress) return fail(fault_.kind, fault_.where);
    // The next transition of this node is taken once the keys below this one
    // are out, which takes a few nodes, often far apart: its target is asked
    // for now so that its miss overlaps theirs. (A prefetch never faults; the
    // test keeps even its address inside the bytes.)
    if (slot != 0 && top.delta_size != 0) {
      const std::uint64_t sibling = unpack_before(top.deltas + slot * top.delta_size, top.delta_size);
      if (sibling <= top.start) __builtin_prefetch(data + (top.start - sibling));
    }
    if (slot == 0) --live_frames_;
    if (depth < shared) shared = depth;
    // Down through the one-transition nodes, which are never final, to a
    // node with a frame of its own or to the empty final state. The steps
    // are lookup_step.h's, with the input taken from the node, and, in a
    // checking walk, enter()'s checks of such a node.
    char8_t* key = key_.data();
    while (true) {
      if (depth == key_room_) {
        if (!grow(depth)) return fail(FstErrorKind::kKeyTooLong, max_key_bytes_);
        key = key_.data();
      }
      key[depth++] = static_cast<char8_t>(input);
      // Only the low six bits of the state count (the shift takes them).
      key_state = key_automaton_[input] >> (key_state & 63);
      if (address == kEmptyFinalAddress) {
        key_state_ = key_state;
        return found(output, depth, shared);
      }
      const std::uint8_t state = data[address];
      if ((state & 0x80) == 0) break;
      const std::uint8_t code = state & kLowSixBits;
      // Below the input byte, if any: the pack sizes, or the next node. As
      // address >= kHeaderBytes, the bytes read below it before the bounds
      // checks are inside the map, if perhaps in its header; a node reaching
      // into the header fails those checks, which come before anything is
      // read further down.
      const std::uint64_t below_input = address - (code != 0 ? 1 : 2);
      input = code != 0 ? common_input_byte(code) : data[address - 1];
      if ((state & kEncodingMask) == kOneTransitionNextBits) {
        if (kCheckNodes && below_input < kHeaderBytes) {
          return fail(FstErrorKind::kBadTransitionTarget, address);
        }
        address = below_input;
        continue;
      }
      const std::uint8_t delta_size = data[below_input] >> 4;
      const std::uint8_t output_size = data[below_input] & 0x0F;
      if (kCheckNodes && (delta_size == 0 || delta_size > 8 || output_size > 8)) {
        return fail(FstErrorKind::kBadPackSize, address);
      }
      if (kCheckNodes && below_input < kHeaderBytes + delta_size + output_size) {
        return fail(FstErrorKind::kNodeOutOfBounds, address);
      }
      const std::uint64_t chain_delta = unpack_before(data + below_input, delta_size);
      output += unpack_before(data + below_input - delta_size, output_size);
      const std::uint64_t start = below_input - delta_size - output_size;
      const std::uint64_t next = target(start, chain_delta, address);
      if (kCheckNodes && next == kNoAddress) return fail(fault_.kind, fault_.where);
      address = next;
    }
    const Entered entered = enter(address, output, depth, key_state, final_output);
    if (kCheckNodes && entered == Entered::kFault) return fail(fault_.kind, fault_.where);
    if (entered == Entered::kFinal) {
      key_state_ = key_state;
      return found(output + final_output, depth, shared);
    }
  }
  if (keys_seen_ != map_.key_count) return fail(FstErrorKind::kKeyCountMismatch, map_.key_count);
  done_ = true;
  return false;
}

template class KeyOrderWalk<false>;
template class KeyOrderWalk<true>;

}  // namespace lumra::fst
