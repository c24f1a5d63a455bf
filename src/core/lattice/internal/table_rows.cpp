#include "core/lattice/internal/table_rows.h"

#include <algorithm>

namespace lumra::internal {

void RowSlots::plan(const NodeSteps& into_left, std::uint32_t rows, bool damerau) {
  // The last reader of each row: the furthest row one arc on, and for
  // Damerau the furthest row two arcs on. A row nobody reads is its own
  // last reader. Rows are visited in increasing order, so plain assignment
  // keeps the furthest.
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

  // Group the rows by last reader (a counting sort).
  freed_at_.assign(std::size_t{rows} + 1, 0);
  for (std::uint32_t r = 0; r < rows; ++r) ++freed_at_[last_reader_[r] + 1];
  for (std::uint32_t s = 0; s < rows; ++s) freed_at_[s + 1] += freed_at_[s];
  freed_.resize(rows);
  // `free_slots_` is borrowed as the fill position of each group.
  free_slots_.assign(freed_at_.begin(), freed_at_.end() - 1);
  for (std::uint32_t r = 0; r < rows; ++r) freed_[free_slots_[last_reader_[r]]++] = r;

  // Row s takes a slot freed by a row whose last reader is s - 2 or
  // earlier, the most recently freed first, else a new one.
  free_slots_.clear();
  slot_.resize(rows);
  slot_count_ = 0;
  for (std::uint32_t s = 0; s < rows; ++s) {
    if (s >= 2) {
      for (std::uint32_t k = freed_at_[s - 2]; k < freed_at_[s - 1]; ++k) {
        free_slots_.push_back(slot_[freed_[k]]);
      }
    }
    if (free_slots_.empty()) {
      slot_[s] = slot_count_++;
    } else {
      slot_[s] = free_slots_.back();
      free_slots_.pop_back();
    }
  }
}

}  // namespace lumra::internal
