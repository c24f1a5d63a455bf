// Releasing the interpreter lock around a computation.
#pragma once

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

}  // namespace lumra::python
