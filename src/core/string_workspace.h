// Scratch buffers for the string metrics.
#pragma once

#include <cstdint>
#include <vector>

namespace lumra {

// Row buffers owned by the caller and lent to one metric call at a time.
// They only grow, so a batch of comparisons stops allocating once the
// buffers have reached the longest row. Contents between calls mean nothing;
// every operation initialises what it reads.
struct StringWorkspace {
  std::vector<std::uint64_t> rows[3];
};

}  // namespace lumra
