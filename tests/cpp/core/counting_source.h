#pragma once

#include "core/base/interruption.h"

namespace lumra::test_support {

// Stops at its `stop_at`-th poll (never when 0), counting the polls.
class CountingSource final : public InterruptionSource {
 public:
  explicit CountingSource(int stop_at) : stop_at_(stop_at) {}
  int polls = 0;

 private:
  bool poll() override { return ++polls == stop_at_; }
  int stop_at_;
};

}  // namespace lumra::test_support
