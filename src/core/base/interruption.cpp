#include "core/base/interruption.h"

namespace lumra {

namespace {
// One per thread: a source is only ever called by the thread that installed
// it, so it needs no synchronisation of its own.
thread_local InterruptionSource* installed_source = nullptr;
}  // namespace

std::string message(const Interrupted&) { return "the computation was interrupted"; }

InterruptionSource* installed_interruption_source() { return installed_source; }

ScopedInterruptionSource::ScopedInterruptionSource(InterruptionSource& source)
    : previous_(installed_source) {
  installed_source = &source;
}

ScopedInterruptionSource::~ScopedInterruptionSource() { installed_source = previous_; }

}  // namespace lumra
