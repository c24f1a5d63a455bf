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

// Releasing and re-taking the lock costs a few dozen nanoseconds, as much as
// a whole comparison of two words, and other threads gain nothing from a
// pause that short. So a comparison keeps the lock unless it may visit more
// than this many table cells (comparison_cells()): with 64 cells to a word
// step, about a microsecond of work. CPython's own hashlib draws the same
// line at 2 KiB of input.
inline constexpr std::uint64_t kWorkWorthReleasing = 256 * 256;

template <class Computation>
auto without_lock_unless_tiny(std::uint64_t work, Computation&& computation) {
  if (work <= kWorkWorthReleasing) return computation();
  LockReleased released;
  return computation();
}

}  // namespace lumra::python
