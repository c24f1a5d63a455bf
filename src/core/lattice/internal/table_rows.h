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
//
// Which storage slot each row takes depends on the left lattice alone, so
// it is planned once per left operand (RowSlots, kept with the operand's
// layout) however many right operands a matrix compares it with; a fill
// then finds a row by one lookup, with no bookkeeping as it goes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/lattice/internal/node_steps.h"
#include "core/base/scratch_array.h"

namespace lumra::internal {

class RowSlots {
 public:
  // Plans slots for `rows` rows read along the arcs of `into_left` (arcs
  // into each row's node, relative to the first row), and with `damerau`
  // also two arcs back. A row's slot is free for another row once every
  // row that reads it is filled, and one row later still: the fill may
  // fill two consecutive rows together, so the second opens before the
  // first one's readers are done.
  void plan(const NodeSteps& into_left, std::uint32_t rows, bool damerau);

  std::uint32_t slot(std::uint32_t r) const { return slot_[r]; }
  const std::uint32_t* slots() const { return slot_.data(); }
  // How many slots the rows take: the most rows alive at once.
  std::uint32_t slot_count() const { return slot_count_; }

  std::size_t reserved_bytes() const { return slot_.capacity() * sizeof(std::uint32_t); }

 private:
  // Per row: its storage slot. Nothing else is kept: a matrix keeps the
  // plan of every query while it is filled.
  std::vector<std::uint32_t> slot_;
  std::uint32_t slot_count_ = 0;
};

// Rows filled in lanes (lane_rows.h) are read and written kRowLanes cells
// at a time, from the cell before column 0 up to the columns rounded up to
// whole lanes.
inline constexpr std::uint32_t kRowLanes = 8;

inline std::uint32_t lane_width(std::uint32_t cols) {
  return (cols + kRowLanes - 1) / kRowLanes * kRowLanes;
}

class TableRows {
 public:
  // Storage for the rows of `slots` (which must stay unchanged while the
  // table is used), `cols` cells each; with `lanes`, each row has room for
  // lane_width(cols) cells and kRowLanes more before column 0 (of which a
  // lane fill reads one), so that a row is read in whole lanes without
  // touching its neighbours.
  void use(const RowSlots& slots, std::uint32_t cols, bool lanes = false) {
    cols_ = stride(cols, lanes);
    const std::size_t lead = lanes ? kRowLanes : 0;
    slot_ = slots.slots();
    cells_ = storage_.reserve(cells(slots, cols, lanes)) + lead;
  }

  // The cells use() takes.
  static std::uint64_t cells(const RowSlots& slots, std::uint32_t cols, bool lanes) {
    return std::uint64_t{slots.slot_count()} * stride(cols, lanes);
  }

  // The cells of row `r`, valid from when the row is filled until its
  // last reader is.
  std::uint32_t* row(std::uint32_t r) const {
    return cells_ + std::size_t{slot_[r]} * cols_;
  }

  std::size_t reserved_bytes() const { return storage_.reserved_bytes(); }

 private:
  static std::uint32_t stride(std::uint32_t cols, bool lanes) {
    return lanes ? lane_width(cols) + kRowLanes : cols;
  }

  std::uint32_t cols_ = 0;  // the cells from one row to the next
  const std::uint32_t* slot_ = nullptr;
  ScratchArray<std::uint32_t> storage_;
  std::uint32_t* cells_ = nullptr;
};

}  // namespace lumra::internal
