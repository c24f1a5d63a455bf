#include "artifacts/fst/fst_stream.h"

#include "artifacts/fst/format.h"

namespace lumra::fst {
namespace {

// Room for the keys of a typical map before the buffers first grow.
constexpr std::size_t kInitialKeyBytes = 64;

const std::uint8_t* common_input(std::uint8_t code) {
  return reinterpret_cast<const std::uint8_t*>(kCommonInputs) + (code - 1);
}

}  // namespace

// The frames on the path sit at distinct key lengths below the current one,
// so one more frame than key bytes is always enough.
FstStream::FstStream(const FstMap& map, std::size_t max_key_bytes)
    : map_(map),
      max_key_bytes_(max_key_bytes),
      frames_(kInitialKeyBytes + 1),
      key_(kInitialKeyBytes) {}

Result<bool, FstError> FstStream::fail(FstErrorKind kind, std::uint64_t where) {
  error_ = FstError{kind, where};
  key_length_ = 0;
  live_frames_ = 0;
  return Fail(*error_);
}

Result<bool, FstError> FstStream::found(std::uint64_t value, std::size_t length,
                                        std::size_t shared) {
  key_length_ = length;
  value_ = value;
  shared_prefix_ = shared;
  if (++keys_seen_ > map_.size()) return fail(FstErrorKind::kKeyCountMismatch, map_.size());
  return true;
}

// The layout is the one Node::read() decodes (FORMAT.md); the sizes need
// no checking, as open() checked every node the walk can reach.
bool FstStream::enter(std::uint64_t address, std::uint64_t output, std::size_t depth,
                      std::uint64_t& final_output) {
  final_output = 0;
  if (address == kEmptyFinalAddress) return true;
  Frame& frame = frames_[live_frames_];
  frame.output = output;
  frame.depth = static_cast<std::uint32_t>(depth);
  const std::uint8_t* data = map_.data();
  const std::uint8_t state = data[address];
  const std::uint8_t low = state & kLowSixBits;
  if ((state & 0x80) != 0) {  // the two one-transition encodings, never final
    frame.slots_left = 1;
    frame.inputs = low != 0 ? common_input(low) : data + address - 1;
    const std::uint64_t below_input = address - (low != 0 ? 1 : 2);
    if ((state & kEncodingMask) == kOneTransitionNextBits) {
      // No delta: the target is the node right below, start - 1.
      frame.delta_size = 0;
      frame.output_size = 0;
      frame.start = below_input + 1;
    } else {
      const std::uint8_t sizes = data[below_input];
      frame.delta_size = sizes >> 4;
      frame.output_size = sizes & 0x0F;
      frame.deltas = data + below_input - frame.delta_size;
      frame.outputs = frame.deltas - frame.output_size;
      frame.start = below_input - frame.delta_size - frame.output_size;
    }
    ++live_frames_;
    return false;
  }
  std::uint64_t sizes_at = address - 1;
  std::size_t count = low;
  if (low == 0) {
    count = data[sizes_at] == kCountByteFor256 ? 256 : data[sizes_at];
    --sizes_at;
  }
  const std::uint8_t sizes = data[sizes_at];
  frame.slots_left = static_cast<std::uint32_t>(count);
  frame.delta_size = sizes >> 4;
  frame.output_size = sizes & 0x0F;
  const bool indexed = has_transition_index(map_.version(), count);
  frame.inputs = data + sizes_at - (indexed ? kIndexBytes : 0) - count;
  frame.deltas = frame.inputs - count * frame.delta_size;
  frame.outputs = frame.deltas - count * frame.output_size;
  const bool final = (state & kFinalBit) != 0;
  frame.start = static_cast<std::uint64_t>(frame.outputs - data) - (final ? frame.output_size : 0);
  if (final) final_output = unpack(data + frame.start, frame.output_size);
  if (count != 0) ++live_frames_;
  return final;
}

Result<bool, FstError> FstStream::next() {
  if (error_) return Fail(*error_);
  if (done_) return false;
  const std::uint8_t* data = map_.data();
  std::uint64_t final_output;
  // The bytes shared with the previous key: the shortest the key gets
  // before it grows again.
  std::size_t shared = key_length_;
  if (!started_) {
    started_ = true;
    // The empty key sorts first; the root being final means it is there.
    if (enter(map_.root().address(), 0, 0, final_output)) return found(final_output, 0, 0);
  }
  while (live_frames_ > 0) {
    Frame& top = frames_[live_frames_ - 1];
    const std::uint32_t slot = --top.slots_left;
    std::size_t depth = top.depth;
    std::uint8_t input = top.inputs[slot];
    std::uint64_t output =  // modulo 2^64, as every sum of outputs
        top.output + unpack_before(top.outputs + (slot + 1) * top.output_size, top.output_size);
    std::uint64_t address = top.start - 1;
    if (top.delta_size != 0) {
      const std::uint64_t delta =
          unpack_before(top.deltas + (slot + 1) * top.delta_size, top.delta_size);
      address = delta == 0 ? kEmptyFinalAddress : top.start - delta;
    }
    if (slot == 0) --live_frames_;
    if (depth < shared) shared = depth;
    // Down through the one-transition nodes, which are never final, to a
    // node with a frame of its own or to the empty final state. The steps
    // are lookup_step.h's, with the input taken from the node.
    while (true) {
      if (depth == max_key_bytes_) return fail(FstErrorKind::kKeyTooLong, max_key_bytes_);
      if (depth == key_.size()) {
        key_.resize(key_.size() * 2);
        frames_.resize(key_.size() + 1);
      }
      key_[depth++] = static_cast<char8_t>(input);
      if (address == kEmptyFinalAddress) return found(output, depth, shared);
      const std::uint8_t state = data[address];
      if ((state & 0x80) == 0) break;
      const std::uint8_t code = state & kLowSixBits;
      input = code != 0 ? common_input_byte(code) : data[address - 1];
      const std::uint64_t below_input = address - (code != 0 ? 1 : 2);
      if ((state & kEncodingMask) == kOneTransitionNextBits) {
        address = below_input;
        continue;
      }
      const std::uint8_t delta_size = data[below_input] >> 4;
      const std::uint8_t output_size = data[below_input] & 0x0F;
      const std::uint64_t delta = unpack_before(data + below_input, delta_size);
      output += unpack_before(data + below_input - delta_size, output_size);
      const std::uint64_t start = below_input - delta_size - output_size;
      address = delta == 0 ? kEmptyFinalAddress : start - delta;
    }
    if (enter(address, output, depth, final_output)) return found(output + final_output, depth, shared);
  }
  if (keys_seen_ != map_.size()) return fail(FstErrorKind::kKeyCountMismatch, map_.size());
  done_ = true;
  return false;
}

}  // namespace lumra::fst
