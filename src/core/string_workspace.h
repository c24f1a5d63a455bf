// Scratch buffers for the string metrics.
#pragma once

#include <cstdint>
#include <vector>

#include "core/pattern_match.h"

namespace lumra {

// Buffers owned by the caller and lent to one metric call at a time. They
// only grow, so a batch of comparisons stops allocating once the buffers
// have reached the longest operands. Contents between calls mean nothing;
// every operation initialises what it reads.
struct StringWorkspace {
  // Rows of the dynamic programmes.
  std::vector<std::uint64_t> rows[3];
  // Column state of the multi-word bit-parallel kernels, a few words per
  // 64 pattern symbols.
  std::vector<std::uint64_t> bit_columns;
  // Match masks of a pattern longer than one word, rebuilt per comparison
  // by the uncached metrics.
  PatternMatchBlocks pattern_blocks;
  // Distances of one row of a batch matrix, before they become scores.
  std::vector<std::uint64_t> row_distances;
};

}  // namespace lumra
