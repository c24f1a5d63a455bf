// Releasing the interpreter lock around a computation, and stopping it for
// a signal.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <utility>

#include "core/base/interruption.h"
#include "python/python.h"

namespace lumra::python {

// Long computations run with the lock released and stop for Ctrl-C: while
// the lock is released, the thread's interruption source (core/base/
// interruption.h) is a SignalCheck, which every few milliseconds takes the
// lock back for a moment and runs the interpreter's pending signal handlers.
// When a handler raises (KeyboardInterrupt from the default SIGINT handler)
// the computation stops, and the call returns nullptr with that exception
// pending.
//
// A source per thread, rather than one passed down the core's signatures,
// keeps the core free of the concern; each thread only ever calls the
// source it installed, with the thread state it released itself, so the
// lock is only taken by a thread that does not hold it, and many threads
// and subinterpreters each check on their own.
class SignalCheck final : public InterruptionSource {
 public:
  // `released` is the calling thread's state, just released.
  explicit SignalCheck(PyThreadState* released) : state_(released) {}

 private:
  using Clock = std::chrono::steady_clock;

  // Pending signals are checked no sooner than this after the call began or
  // after the last check. When the lock was slow to come (other threads
  // running Python hold it up to their switch interval), the next check
  // waits ten times as long, so checking never costs more than about a
  // tenth of the computation.
  static constexpr Clock::duration kInterval = std::chrono::milliseconds(3);

  bool poll() override {
    const Clock::time_point now = Clock::now();
    if (!next_check_) {
      next_check_ = now + kInterval;
      return false;
    }
    if (now < *next_check_) return false;
    if (!signals_reach_this_thread()) {
      next_check_ = Clock::time_point::max();
      return false;
    }
    PyEval_RestoreThread(state_);
    const bool raised = PyErr_CheckSignals() != 0;
    PyEval_SaveThread();
    const Clock::time_point after = Clock::now();
    next_check_ = after + std::max(kInterval, 10 * (after - now));
    return raised;
  }

  // Python runs signal handlers only in the main thread of the main
  // interpreter; elsewhere taking the lock would only slow other threads
  // down. The main thread is the process's first one (its thread id is the
  // process id), including in a child after fork. Read without the lock:
  // the state's interpreter is fixed, and the main interpreter outlives it.
  bool signals_reach_this_thread() const {
    return PyThreadState_GetInterpreter(state_) == PyInterpreterState_Main() &&
           gettid() == getpid();
  }

  PyThreadState* state_;
  std::optional<Clock::time_point> next_check_;
};

// The same for work that keeps the lock (loading: callers are promised a
// complete dictionary before any other thread of theirs runs): every few
// milliseconds it runs the pending signal handlers, and stops the work when
// one raises. Installed for the guard's lifetime.
class SignalCheckWithLock final : public InterruptionSource {
 public:
  SignalCheckWithLock() : installed_(*this) {}
  SignalCheckWithLock(const SignalCheckWithLock&) = delete;
  SignalCheckWithLock& operator=(const SignalCheckWithLock&) = delete;

  // Whether a signal handler raised: its exception is pending, and the
  // work's outcome is to be discarded.
  bool interrupted() const { return stopped(); }

 private:
  using Clock = std::chrono::steady_clock;
  static constexpr Clock::duration kInterval = std::chrono::milliseconds(3);

  bool poll() override {
    const Clock::time_point now = Clock::now();
    if (now < next_check_) return false;
    next_check_ = now + kInterval;
    return PyErr_CheckSignals() != 0;
  }

  Clock::time_point next_check_ = Clock::now() + kInterval;
  ScopedInterruptionSource installed_;
};

// Releases the lock for the guard's lifetime, with a SignalCheck installed.
// The computation under it must touch owned data only; the lock is
// re-acquired even when it unwinds.
class LockReleased {
 public:
  LockReleased() : state_(PyEval_SaveThread()), check_(state_), installed_(check_) {}
  ~LockReleased() { PyEval_RestoreThread(state_); }
  LockReleased(const LockReleased&) = delete;
  LockReleased& operator=(const LockReleased&) = delete;

  // Whether a signal handler raised: its exception is pending.
  bool interrupted() const { return check_.stopped(); }

 private:
  PyThreadState* state_;
  SignalCheck check_;
  ScopedInterruptionSource installed_;
};

// The computation's value, or nothing when a signal handler raised while it
// ran: the value is then meaningless and the exception is pending, so the
// caller returns nullptr.
template <class Computation>
auto without_lock(Computation&& computation) -> std::optional<decltype(computation())> {
  std::optional<decltype(computation())> value;
  {
    LockReleased released;
    value.emplace(computation());
    if (released.interrupted()) value.reset();
  }
  return value;
}

// Releasing and re-taking the lock costs a few dozen nanoseconds, as much as
// a whole comparison of two words, and other threads gain nothing from a
// pause that short. So a comparison keeps the lock unless it may visit more
// than this many table cells (comparison_cells()): with 64 cells to a word
// step, about a microsecond of work. CPython's own hashlib draws the same
// line at 2 KiB of input.
inline constexpr std::uint64_t kWorkWorthReleasing = 256 * 256;

// Tiny work keeps the lock, and is never interrupted.
template <class Computation>
auto without_lock_unless_tiny(std::uint64_t work, Computation&& computation)
    -> std::optional<decltype(computation())> {
  if (work <= kWorkWorthReleasing) return computation();
  return without_lock(std::forward<Computation>(computation));
}

}  // namespace lumra::python
