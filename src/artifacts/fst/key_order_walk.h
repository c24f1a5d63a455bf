// The depth-first walk of an FST's keys in ascending byte order, shared by
// FstStream (over a map that FstMap::open() validated) and OpeningWalk
// (which validates the nodes as it meets them).
//
// kCheckNodes says which: without it, the walk trusts every size and
// address it reads; with it, each node is checked before any byte of it
// past its state byte is read, with exactly the checks open() makes of a
// node (FORMAT.md, "What our reader rejects"), so that the walk fails where
// open() would and never reads outside the nodes. Either way the walk
// checks what open() cannot: that no key is longer than `max_key_bytes`
// (which bounds its stack) and that there are exactly as many keys as the
// footer says.
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
#include "core/base/result.h"

namespace lumra::fst {

// How long a key may be before a walk gives up on the map.
inline constexpr std::size_t kDefaultMaxKeyBytes = 65536;

// A byte automaton that a walk runs over every key as it builds it, so that
// a property of whole keys costs one step per byte a key does not share
// with the key before it. Its states are the shift counts 0, 6, ..., 54,
// starting at 0; entry b holds, in the six bits at each state's shift, the
// state byte b leads to from that state (valid_utf8.h builds one).
using KeyAutomaton = const std::uint64_t*;
// The automaton that stays in state 0.
extern const KeyAutomaton kNoKeyAutomaton;

// What a walk needs to know of a map.
struct WalkedMap {
  const std::uint8_t* data;  // the map's bytes from its first one
  std::uint64_t version;
  std::uint64_t root;       // the root's address; 0 for the map {"" -> 0}
  std::uint64_t key_count;  // as the footer says
};

template <bool kCheckNodes>
class KeyOrderWalk {
 public:
  KeyOrderWalk(const WalkedMap& map, std::size_t max_key_bytes,
               KeyAutomaton key_automaton = kNoKeyAutomaton);

  // Moves to the next pair: true when there is one, false at the end. After
  // an error every later call returns the same error.
  Result<bool, FstError> next();

  std::string_view key() const {
    return {reinterpret_cast<const char*>(key_.data()), key_length_};
  }
  std::uint64_t value() const { return value_; }
  std::size_t shared_prefix() const { return shared_prefix_; }
  // The state the key automaton ended the current key in.
  std::uint64_t key_state() const { return key_state_ & 63; }
  // Whether next() has returned false: every key was produced.
  bool done() const { return done_; }

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
    std::uint64_t address;        // for the errors of a checking walk
    std::uint32_t depth;          // the key length at the node
    std::uint16_t slots_left;     // the next transition is slot slots_left - 1
    std::uint16_t count;          // transitions of the node
    std::uint8_t delta_size;      // 0: one transition to the node right below
    std::uint8_t output_size;
    std::uint8_t key_state;       // the key automaton's at `depth`
  };

  // What enter() found at a node.
  enum class Entered { kInner, kFinal, kFault };

  // Decodes the node at `address`, reached with key length `depth`, outputs
  // summing to `output` and the key automaton in `key_state`, into the frame above the live ones, which
  // becomes live if the node has transitions. A final node's own output is
  // left in `final_output`. kFault (checking walks only) leaves the fault
  // in `fault_`.
  Entered enter(std::uint64_t address, std::uint64_t output, std::size_t depth,
                std::uint64_t key_state, std::uint64_t& final_output);
  // A checking walk's checks of the node at `address` (kHeaderBytes <=
  // address <= root) that open() makes with a full decode: those of a node
  // with a transition index, the first time the walk meets it.
  bool check_indexed_node(std::uint64_t address);
  // The target of a transition that starts `delta` below a node's first
  // byte `start`; a checking walk sets `fault_` and answers kNoAddress for
  // one that does not lead strictly down to a node or to address 0.
  std::uint64_t target(std::uint64_t start, std::uint64_t delta, std::uint64_t node);

  Result<bool, FstError> fail(FstErrorKind kind, std::uint64_t where);
  Result<bool, FstError> found(std::uint64_t value, std::size_t length, std::size_t shared);
  // Doubles the key and frame buffers, or fails when the key may not grow.
  bool grow(std::size_t depth);

  WalkedMap map_;
  std::size_t max_key_bytes_;
  KeyAutomaton key_automaton_;
  std::vector<Frame> frames_;  // frames_[0 .. live_frames_) are on the path
  std::size_t live_frames_ = 0;
  // char8_t, unlike char, is not assumed to alias the walk's own state, so
  // writing a key byte does not force the frames to be read again.
  std::vector<char8_t> key_;
  // The key may grow to this length before the buffers must: the smaller
  // of their size and max_key_bytes_, so that one comparison per byte
  // covers both.
  std::size_t key_room_ = 0;
  std::size_t key_length_ = 0;
  std::size_t shared_prefix_ = 0;
  std::uint64_t value_ = 0;
  std::uint64_t key_state_ = 0;
  std::uint64_t keys_seen_ = 0;
  bool started_ = false;
  bool done_ = false;
  std::optional<FstError> error_;
  // A checking walk's: where a node check failed, and one bit per address
  // for the nodes with a transition index already checked (allocated when
  // the first one is met).
  FstError fault_{};
  std::vector<std::uint64_t> indexed_checked_;
};

extern template class KeyOrderWalk<false>;
extern template class KeyOrderWalk<true>;

}  // namespace lumra::fst
