// Releasing the interpreter lock around a computation.
#pragma once

#include <cstdint>

#include "python/python.h"

namespace lumra::python {

// Releases the lock for the guard's lifetime. The computation under it must
// touch owned data only; the lock is re-acquired even when it unwinds.
class LockReleased {
 public:
  LockReleased() : state_(PyEval_SaveThread()) {}
  ~LockReleased() { PyEval_RestoreThread(state_); }
  LockReleased(const LockReleased&) = delete;
  LockReleased& operator=(const LockReleased&) = delete;

 private:
  PyThreadState* state_;
};

template <class Computation>
auto without_lock(Computation&& computation) {
  LockReleased released;
  return computation();
}

// Releasing and re-taking the lock costs about as much as comparing two
// words of a few dozen characters, and other threads gain nothing from a
// pause that short. Comparisons whose dynamic-programming table is this
// small keep the lock; everything larger releases it.
inline constexpr std::uint64_t kWorkWorthReleasing = 64 * 64;

template <class Computation>
auto without_lock_unless_tiny(std::uint64_t work, Computation&& computation) {
  if (work <= kWorkWorthReleasing) return computation();
  LockReleased released;
  return computation();
}

}  // namespace lumra::python
