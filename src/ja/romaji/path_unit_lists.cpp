#include "ja/romaji/path_unit_lists.h"

#include <algorithm>

#include "ja/romaji/split_units.h"

namespace lumra::ja {

void PathUnitLists::keep_segments(std::size_t k) {
  unit_ends_.resize(k);
  const std::size_t kept_units = k == 0 ? 0 : unit_ends_.back();
  units_.resize(kept_units);
  std::size_t kept_lists = 0;
  while (kept_lists < list_ends_.size() && list_ends_[kept_lists] < kept_units) ++kept_lists;
  lists_.resize(kept_lists);
  list_ends_.resize(kept_lists);
  measured_ = std::min(measured_, kept_lists);
}

Status<JapaneseDistanceError> PathUnitLists::append_segment(std::string_view reading, bool raw) {
  LUMRA_TRY(append_romaji_units(reading, raw, units_));
  unit_ends_.push_back(units_.size());
  return Unit{};
}

Status<JapaneseDistanceError> PathUnitLists::extend_lists() {
  return extend_unit_variant_lists(units_, lists_, &list_ends_);
}

ExpansionSize PathUnitLists::measure() {
  const ExpansionSize size = meter_.measure(lists_, measured_);
  measured_ = lists_.size();
  return size;
}

}  // namespace lumra::ja
