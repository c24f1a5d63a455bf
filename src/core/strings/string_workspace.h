// Scratch buffers for the string metrics.
#pragma once

#include <cstdint>
#include <new>
#include <vector>

#include "core/strings/internal/pattern_match.h"

namespace lumra {

// Buffers owned by the caller and lent to one metric call at a time. They
// only grow, so a batch of comparisons stops allocating once the buffers
// have reached the longest operands. Contents between calls mean nothing;
// every operation initialises what it reads.
//
// Comparisons of short texts never touch them, so they come into being on
// first use: a workspace made for one such call costs next to nothing.
class StringWorkspace {
 public:
  struct Buffers {
    // Rows of the dynamic programmes.
    std::vector<std::uint64_t> rows[3];
    // Column state of the multi-word bit-parallel kernels, a few words per
    // 64 pattern symbols.
    std::vector<std::uint64_t> bit_columns;
    // Match masks of a pattern longer than four words, rebuilt per
    // comparison by the uncached metrics.
    internal::PatternMatchBlocks pattern_blocks;
    // Distances of one row of a batch matrix, before they become scores.
    std::vector<std::uint64_t> row_distances;
  };

  // The buffers start unconstructed; an empty std::optional would do, but
  // compilers clear its whole storage up front, which is the cost avoided.
  StringWorkspace() noexcept {}
  ~StringWorkspace() {
    if (made_) buffers_.~Buffers();
  }
  StringWorkspace(const StringWorkspace&) = delete;
  StringWorkspace& operator=(const StringWorkspace&) = delete;

  Buffers& buffers() {
    if (!made_) {
      new (&buffers_) Buffers();
      made_ = true;
    }
    return buffers_;
  }

 private:
  union {
    Buffers buffers_;
  };
  bool made_ = false;
};

}  // namespace lumra
