// Measures the largest single allocation made through operator new while a
// probe is alive, so that tests can show that a hostile length or count in
// a small input is never used to size memory.
#pragma once

#include <cstddef>

namespace lumra::test_support {

class LargestAllocation {
 public:
  LargestAllocation();
  ~LargestAllocation();
  LargestAllocation(const LargestAllocation&) = delete;
  LargestAllocation& operator=(const LargestAllocation&) = delete;

  std::size_t bytes() const;
};

}  // namespace lumra::test_support
