// The distances of the states a bounded lattice search has reached.
//
// Under a small bound a search reaches few of the states it is allowed:
// two 4000-node chains have 16000000 pairs, yet a bound of 2 reaches a
// band of a few tens of thousands along the diagonal. Giving every state a
// slot up front would make the initialisation, not the search, the cost of
// the call. So the distances start in an open-addressing hash table sized
// to what was reached, and move to one flat slot per state only when the
// search has reached a sixteenth of all states, where the flat table costs
// no more than the search itself. Small searches, whose flat table is
// cheaper to clear than hashing is to use, take it from the start. The
// hash table never takes more than half the memory of the flat table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumra::internal {

class ReachedStates {
 public:
  // Stands for "not reached"; every real distance is below it.
  static constexpr std::uint32_t kUnreached = 0xFFFFFFFF;

  // Forgets every state and prepares for `states` states, numbered
  // 0 .. states - 1. Keeps a large flat table for reuse, but not a large
  // hash table, whose clearing would cost as much as the search before.
  void reset(std::uint32_t states);

  std::uint32_t distance(std::uint32_t state) const {
    if (!flat_.empty()) return flat_[state];
    for (std::size_t slot = home(state);; slot = (slot + 1) & mask_) {
      const Entry& entry = slots_[slot];
      if (entry.state == state) return entry.distance;
      if (entry.state == kNoState) return kUnreached;
    }
  }

  // Stores `distance` for `state` if it is lower than the state's current
  // one; reports whether it was.
  bool lower(std::uint32_t state, std::uint32_t distance) {
    if (!flat_.empty()) {
      std::uint32_t& held = flat_[state];
      if (distance >= held) return false;
      held = distance;
      return true;
    }
    for (std::size_t slot = home(state);; slot = (slot + 1) & mask_) {
      Entry& entry = slots_[slot];
      if (entry.state == state) {
        if (distance >= entry.distance) return false;
        entry.distance = distance;
        return true;
      }
      if (entry.state == kNoState) {
        entry = {state, distance};
        if (++size_ > grow_at_) grow();
        return true;
      }
    }
  }

  std::size_t reserved_bytes() const {
    return slots_.capacity() * sizeof(Entry) + flat_.capacity() * sizeof(std::uint32_t);
  }

 private:
  // State numbers stay below the state limit, far below this.
  static constexpr std::uint32_t kNoState = 0xFFFFFFFF;
  static constexpr std::size_t kInitialSlots = 1024;
  // Up to this many states (256 KiB) the flat table is used from the start.
  static constexpr std::uint32_t kFlatUpTo = 65536;

  struct Entry {
    std::uint32_t state;
    std::uint32_t distance;
  };

  // Fibonacci hashing: neighbouring states, which a search reaches
  // together, land far apart.
  std::size_t home(std::uint32_t state) const {
    return static_cast<std::size_t>((state * std::uint64_t{0x9E3779B97F4A7C15}) >> shift_);
  }

  // Doubles the hash table, or moves to the flat table once it holds a
  // sixteenth of all states.
  void grow();
  void make_slots(std::size_t count);

  std::uint32_t states_ = 0;
  std::vector<Entry> slots_;
  std::size_t mask_ = 0;
  unsigned shift_ = 64;
  std::size_t size_ = 0;
  std::size_t grow_at_ = 0;
  std::vector<std::uint32_t> flat_;  // in use when not empty
};

}  // namespace lumra::internal
