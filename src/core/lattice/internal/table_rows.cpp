#include "core/lattice/internal/table_rows.h"

#include <algorithm>

namespace lumra::internal {

void TableRows::plan(const NodeSteps& into_left, std::uint32_t rows, std::uint32_t cols,
                     bool damerau) {
  cols_ = cols;
  reuse_ = cols >= kReuseFromCols;
  slot_.resize(rows);
  if (!reuse_) {
    for (std::uint32_t r = 0; r < rows; ++r) slot_[r] = r;
    cells_ = storage_.reserve(std::size_t{rows} * cols);
    return;
  }

  // The last reader of each row: the furthest row one arc on, and for
  // Damerau the furthest row two arcs on. A row nobody reads is its own
  // last reader, so it is freed as soon as it is filled. Rows are visited
  // in increasing order, so plain assignment keeps the furthest.
  last_reader_.resize(rows);
  for (std::uint32_t r = 0; r < rows; ++r) last_reader_[r] = r;
  for (std::uint32_t s = 0; s < rows; ++s) {
    for (const Step& x : into_left.of(s)) last_reader_[x.node] = s;
  }
  if (damerau) {
    // One arc on is final now; two arcs on is the furthest last reader of
    // the rows one arc on. `one_arc` keeps the first pass's values apart.
    freed_.assign(last_reader_.begin(), last_reader_.end());
    const std::vector<std::uint32_t>& one_arc = freed_;
    for (std::uint32_t s = 0; s < rows; ++s) {
      for (const Step& x : into_left.of(s)) {
        last_reader_[x.node] = std::max(last_reader_[x.node], one_arc[s]);
      }
    }
  }

  // Group the rows by last reader (a counting sort) and find how many are
  // alive at most: each row opens a slot, and each filled row frees those
  // whose last reader it is.
  freed_at_.assign(std::size_t{rows} + 1, 0);
  for (std::uint32_t r = 0; r < rows; ++r) ++freed_at_[last_reader_[r] + 1];
  std::uint32_t alive = 0, most_alive = 0;
  for (std::uint32_t s = 0; s < rows; ++s) {
    ++alive;
    most_alive = std::max(most_alive, alive);
    alive -= freed_at_[s + 1];
    freed_at_[s + 1] += freed_at_[s];
  }
  freed_.resize(rows);
  free_slots_.clear();
  // `free_slots_` is borrowed as the fill position of each group.
  free_slots_.assign(freed_at_.begin(), freed_at_.end() - 1);
  for (std::uint32_t r = 0; r < rows; ++r) freed_[free_slots_[last_reader_[r]]++] = r;
  free_slots_.clear();
  next_slot_ = 0;
  // One slot more for the second of two rows filled together: it opens
  // before the first one's readers are freed.
  cells_ = storage_.reserve((std::size_t{most_alive} + 1) * cols);
}

std::uint32_t* TableRows::open(std::uint32_t r) {
  if (reuse_) {
    if (free_slots_.empty()) {
      slot_[r] = next_slot_++;
    } else {
      slot_[r] = free_slots_.back();
      free_slots_.pop_back();
    }
  }
  return row(r);
}

void TableRows::close(std::uint32_t r) {
  if (!reuse_) return;
  for (std::uint32_t k = freed_at_[r]; k < freed_at_[r + 1]; ++k) {
    free_slots_.push_back(slot_[freed_[k]]);
  }
}

}  // namespace lumra::internal
