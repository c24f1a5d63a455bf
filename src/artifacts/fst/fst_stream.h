// All (key, value) pairs of an FstMap in ascending byte order of the keys.
//
//   FstStream stream(map);
//   while (true) {
//     LUMRA_TRY_ASSIGN(bool more, stream.next());
//     if (!more) break;
//     use(stream.key(), stream.value());
//   }
//
// The walk is depth first over nodes that FstMap::open() validated, so it
// always moves forward; what it still checks is what open() could not
// afford to: that no key is longer than `max_key_bytes` (which bounds the
// walk's stack; the node count bounds it too, since no path meets a node
// twice) and that the map holds exactly FstMap::size() keys. Because every
// reachable state is final or has transitions, each step down ends in a key
// within max_key_bytes steps, so the work is bounded by the keys produced.
//
// A payload load walks every key of a large map, so a step is kept cheap:
// each node on the path is decoded once, into a frame that holds only where
// its arrays lie, and the key and the frames live in buffers that grow to
// the longest key and are then reused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "artifacts/fst/fst_error.h"
#include "artifacts/fst/fst_map.h"
#include "core/base/result.h"

namespace lumra::fst {

inline constexpr std::size_t kDefaultMaxKeyBytes = 65536;

class FstStream {
 public:
  explicit FstStream(const FstMap& map, std::size_t max_key_bytes = kDefaultMaxKeyBytes);

  // Moves to the next pair: true when there is one, false at the end. After
  // an error every later call returns the same error.
  Result<bool, FstError> next();

  // The current pair; the key is valid until the next call to next().
  std::string_view key() const {
    return {reinterpret_cast<const char*>(key_.data()), key_length_};
  }
  std::uint64_t value() const { return value_; }
  // How many leading bytes the current key shares with the one before it
  // (0 for the first key): checks that ran over the previous key need not
  // run again over these.
  std::size_t shared_prefix() const { return shared_prefix_; }

 private:
  // A node of the current path that has transitions still to take, and
  // the length of the key at it. Transition arrays are stored last
  // transition first, so the transitions are taken in ascending input order
  // by counting the slots down. Nodes with a single transition (most of
  // them: a key's last characters are chains of such nodes) are passed
  // through without a frame, so going back up costs nothing per byte.
  struct Frame {
    const std::uint8_t* inputs;   // one input byte per slot
    const std::uint8_t* deltas;   // delta_size bytes per slot
    const std::uint8_t* outputs;  // output_size bytes per slot
    std::uint64_t start;          // the node's first byte; targets lie below
    std::uint64_t output;         // sum of the outputs on the way to the node
    std::uint32_t depth;          // the key length at the node
    std::uint32_t slots_left;     // the next transition is slot slots_left - 1
    std::uint8_t delta_size;      // 0: one transition to the node right below
    std::uint8_t output_size;
  };

  // Decodes the validated node at `address`, reached with key length
  // `depth` and outputs summing to `output`, into the frame above the live
  // ones, which becomes live if the node has transitions. Returns whether
  // the node is final, and its final output in `final_output`.
  bool enter(std::uint64_t address, std::uint64_t output, std::size_t depth,
             std::uint64_t& final_output);
  Result<bool, FstError> fail(FstErrorKind kind, std::uint64_t where);
  Result<bool, FstError> found(std::uint64_t value, std::size_t length, std::size_t shared);

  const FstMap& map_;
  std::size_t max_key_bytes_;
  std::vector<Frame> frames_;  // frames_[0 .. live_frames_) are on the path
  std::size_t live_frames_ = 0;
  // char8_t, unlike char, is not assumed to alias the walk's own state, so
  // writing a key byte does not force the frames to be read again.
  std::vector<char8_t> key_;
  std::size_t key_length_ = 0;
  std::size_t shared_prefix_ = 0;
  std::uint64_t value_ = 0;
  std::uint64_t keys_seen_ = 0;
  bool started_ = false;
  bool done_ = false;
  std::optional<FstError> error_;
};

}  // namespace lumra::fst
