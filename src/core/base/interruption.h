// Stopping a long computation from outside, without the core knowing who
// asks.
//
// A computation over large inputs (a batch matrix, an alignment over a long
// text, a lattice search) may run for seconds. Whoever starts one may
// install an InterruptionSource on its thread for the duration; the long
// loops of the core count their work with an InterruptionPoll and, every
// kWorkBetweenChecks units, ask the source whether to stop. A loop whose
// result is a Result returns Interrupted; a kernel that returns a plain
// value stops early with a value that means nothing, and the loop around it
// returns Interrupted at its next poll.
//
// Once a source has answered "stop" it keeps answering so, and every poll
// sees that at its next unit of work, so the whole call chain unwinds at
// once. The installer, who sees the
// source, must discard whatever the computation returns after a stop.
//
// The source is installed per thread: the core's signatures stay as they
// are, each thread sees only its own source, and a computation that nobody
// installed a source for pays one load and a branch per poll. Only the
// thread that installed a source ever calls it.
#pragma once

#include <cstdint>
#include <string>

namespace lumra {

// The error of a computation that stopped because its source asked it to.
struct Interrupted {};
std::string message(const Interrupted& error);

class InterruptionSource {
 public:
  // Whether the computation must stop; true for good once it has been.
  bool stop_requested() {
    if (!stopped_) stopped_ = poll();
    return stopped_;
  }
  bool stopped() const { return stopped_; }

 protected:
  InterruptionSource() = default;
  ~InterruptionSource() = default;
  InterruptionSource(const InterruptionSource&) = delete;
  InterruptionSource& operator=(const InterruptionSource&) = delete;

 private:
  // Asked about once per kWorkBetweenChecks units of work: it may read a
  // clock, but anything slower should be rationed by the source itself.
  virtual bool poll() = 0;

  bool stopped_ = false;
};

// The source of the calling thread, or nullptr.
InterruptionSource* installed_interruption_source();

// Installs `source` on the calling thread for the guard's lifetime, and puts
// back whatever was installed before (guards nest).
class ScopedInterruptionSource {
 public:
  explicit ScopedInterruptionSource(InterruptionSource& source);
  ~ScopedInterruptionSource();
  ScopedInterruptionSource(const ScopedInterruptionSource&) = delete;
  ScopedInterruptionSource& operator=(const ScopedInterruptionSource&) = delete;

 private:
  InterruptionSource* previous_;
};

// A unit is about one cell of a dynamic-programming table, a few
// nanoseconds at most; a bit-parallel step that settles 64 cells counts 64.
// At this spacing the source is asked every few microseconds to a few
// milliseconds of work, and a poll costs about as much as the clock read.
inline constexpr std::uint64_t kWorkBetweenChecks = std::uint64_t{1} << 18;

// One long loop's meter. Keep it local to the loop: it reads the installed
// source once, when it is made.
class InterruptionPoll {
 public:
  InterruptionPoll() : source_(installed_interruption_source()) {}

  // Counts `work` units done (or about to be); true when the loop must stop.
  bool stop_after(std::uint64_t work) {
    if (source_ == nullptr) return false;
    if (work < remaining_ && !source_->stopped()) {
      remaining_ -= work;
      return false;
    }
    remaining_ = kWorkBetweenChecks;
    return source_->stop_requested();
  }

  // The same, for a hot loop that polls only now and then: out of line, so
  // that the meter takes none of the loop's registers.
  [[gnu::noinline]] bool stop_after_out_of_line(std::uint64_t work) { return stop_after(work); }
  // Whether a source was installed: a loop whose work costs something to
  // count need count it only then.
  bool watched() const { return source_ != nullptr; }

 private:
  InterruptionSource* source_;
  std::uint64_t remaining_ = kWorkBetweenChecks;
};

}  // namespace lumra
