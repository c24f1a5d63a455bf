// The rows of the unbounded lattice table, kept only while a later row
// still reads them.
//
// A row is read by the rows its node's arcs lead to (and, for Damerau, by
// the rows one arc further), never after the last of them is filled. The
// rows of a chain lattice are read by the next row only, or by the end
// row, so of a table of 182 x 182 cells for twenty paths of ten symbols
// fewer than thirty rows are ever alive at once: a few kilobytes that stay
// in the first-level cache, instead of a table that has to be fetched from
// (and, on every call with a fresh workspace, returned to) the allocator.
// A storage slot freed by a row is reused by the next row opened.
//
// Narrow tables (few columns) keep every row: there the bookkeeping per
// row would cost more than the rows it saves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/lattice/internal/node_steps.h"
#include "core/base/scratch_array.h"

namespace lumra::internal {

class TableRows {
 public:
  // Plans storage for `rows` rows of `cols` cells, read along the arcs of
  // `into_left` (arcs into each row's node, relative to the first row),
  // and with `damerau` also two arcs back. Allocates it after planning.
  void plan(const NodeSteps& into_left, std::uint32_t rows, std::uint32_t cols, bool damerau);

  // Storage for row `r`, to be filled now. Rows are opened in order, each
  // closed once filled; at most two may be open at once.
  std::uint32_t* open(std::uint32_t r);
  // Row `r` is filled: frees the rows it was the last to read.
  void close(std::uint32_t r);

  // A row that is open or still read by a later row.
  std::uint32_t* row(std::uint32_t r) const {
    return cells_ + std::size_t{slot_[r]} * cols_;
  }

  std::size_t reserved_bytes() const {
    return storage_.reserved_bytes() + (slot_.capacity() + last_reader_.capacity() +
                                        freed_at_.capacity() + freed_.capacity() +
                                        free_slots_.capacity()) *
                                           sizeof(std::uint32_t);
  }

 private:
  // Below this many columns every row is kept.
  static constexpr std::uint32_t kReuseFromCols = 16;

  std::uint32_t cols_ = 0;
  bool reuse_ = false;
  ScratchArray<std::uint32_t> storage_;
  std::uint32_t* cells_ = nullptr;
  std::vector<std::uint32_t> slot_;         // per row: its storage slot
  std::vector<std::uint32_t> last_reader_;  // per row: the last row that reads it
  // The rows to free once row s is filled: freed_[freed_at_[s] .. freed_at_[s + 1]).
  std::vector<std::uint32_t> freed_at_;
  std::vector<std::uint32_t> freed_;
  std::vector<std::uint32_t> free_slots_;
  std::uint32_t next_slot_ = 0;
};

}  // namespace lumra::internal
