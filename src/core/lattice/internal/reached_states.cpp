#include "core/lattice/internal/reached_states.h"

#include <bit>
#include <utility>

namespace lumra::internal {

void ReachedStates::reset(std::uint32_t states) {
  states_ = states;
  size_ = 0;
  if (states <= kFlatUpTo) {
    flat_.assign(states, kUnreached);
    return;
  }
  flat_.clear();
  if (slots_.size() == kInitialSlots) {
    for (Entry& entry : slots_) entry.state = kNoState;
  } else {
    make_slots(kInitialSlots);
  }
}

void ReachedStates::make_slots(std::size_t count) {
  // Assigning a smaller vector would keep the large buffer; a fresh one
  // gives it back.
  std::vector<Entry>(count, Entry{kNoState, kUnreached}).swap(slots_);
  mask_ = count - 1;
  shift_ = 64 - static_cast<unsigned>(std::countr_zero(count));
  grow_at_ = count / 2;  // at most half full keeps probe runs short
}

void ReachedStates::grow() {
  std::vector<Entry> old;
  old.swap(slots_);
  if (size_ > states_ / 16) {
    // From here on a slot per state is cheaper than the hash table. The old
    // table is at most a quarter of the states' worth of entries of twice
    // the size, so both together stay within one and a half flat tables.
    flat_.assign(states_, kUnreached);
    for (const Entry& entry : old) {
      if (entry.state != kNoState) flat_[entry.state] = entry.distance;
    }
    mask_ = 0;
    return;
  }
  make_slots(old.size() * 2);
  for (const Entry& entry : old) {
    if (entry.state == kNoState) continue;
    std::size_t slot = home(entry.state);
    while (slots_[slot].state != kNoState) slot = (slot + 1) & mask_;
    slots_[slot] = entry;
  }
}

}  // namespace lumra::internal
