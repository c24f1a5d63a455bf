#include "core/lattice/internal/table_rows.h"

#include <algorithm>

namespace lumra::internal {

void RowSlots::plan(const NodeSteps& into_left, std::uint32_t rows, bool damerau) {
  // The last reader of each row: the furthest row one arc on, and for
  // Damerau the furthest row two arcs on. A row nobody reads is its own
  // last reader. Rows are visited in increasing order, so plain assignment
  // keeps the furthest.
  std::vector<std::uint32_t> last_reader(rows);
  for (std::uint32_t r = 0; r < rows; ++r) last_reader[r] = r;
  for (std::uint32_t s = 0; s < rows; ++s) {
    for (const Step& x : into_left.of(s)) last_reader[x.node] = s;
  }
  if (damerau) {
    // One arc on is final now; two arcs on is the furthest last reader of
    // the rows one arc on.
    const std::vector<std::uint32_t> one_arc = last_reader;
    for (std::uint32_t s = 0; s < rows; ++s) {
      for (const Step& x : into_left.of(s)) {
        last_reader[x.node] = std::max(last_reader[x.node], one_arc[s]);
      }
    }
  }

  // The rows grouped by last reader (a counting sort): those of s are
  // freed[freed_at[s] .. freed_at[s + 1]).
  std::vector<std::uint32_t> freed_at(std::size_t{rows} + 1, 0);
  for (std::uint32_t r = 0; r < rows; ++r) ++freed_at[last_reader[r] + 1];
  for (std::uint32_t s = 0; s < rows; ++s) freed_at[s + 1] += freed_at[s];
  std::vector<std::uint32_t> freed(rows);
  // `free_slots` is borrowed as the fill position of each group.
  std::vector<std::uint32_t> free_slots(freed_at.begin(), freed_at.end() - 1);
  for (std::uint32_t r = 0; r < rows; ++r) freed[free_slots[last_reader[r]]++] = r;

  // Row s takes a slot freed by a row whose last reader is s - 2 or
  // earlier, the most recently freed first, else a new one.
  free_slots.clear();
  slot_.resize(rows);
  slot_count_ = 0;
  for (std::uint32_t s = 0; s < rows; ++s) {
    if (s >= 2) {
      for (std::uint32_t k = freed_at[s - 2]; k < freed_at[s - 1]; ++k) {
        free_slots.push_back(slot_[freed[k]]);
      }
    }
    if (free_slots.empty()) {
      slot_[s] = slot_count_++;
    } else {
      slot_[s] = free_slots.back();
      free_slots.pop_back();
    }
  }
}

}  // namespace lumra::internal
