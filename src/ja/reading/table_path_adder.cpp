#include "ja/reading/table_path_adder.h"

#include <algorithm>

#include "ja/romaji/split_units.h"
#include "ja/unidic/reading_path_walker.h"

namespace lumra::ja {

namespace {

// A path that cannot be spelled is passed over; other failures end the
// adding.
Status<JapaneseDistanceError> unless_unspellable(Status<JapaneseDistanceError> status) {
  if (!status.ok() && is_romaji_path_failure(status.error())) return Unit{};
  return status;
}

}  // namespace

Status<JapaneseDistanceError> TablePathAdder::add_paths(const ReadingPathTable& table,
                                                        RomajiLatticeBuilder& builder) {
  ReadingPathWalker walker(table);
  units_.clear();
  unit_ends_.clear();
  while (walker.next()) {
    const std::span<const ReadingSegment> segments = walker.segments();
    std::size_t k = std::min(walker.same_segments(), unit_ends_.size());
    units_.resize(k == 0 ? 0 : unit_ends_[k - 1]);
    unit_ends_.resize(k);
    bool split = true;
    for (; k < segments.size() && split; ++k) {
      auto appended = append_romaji_units(segments[k].reading, segments[k].raw, units_);
      if (!appended.ok()) {
        LUMRA_TRY(unless_unspellable(std::move(appended)));
        split = false;
      } else {
        unit_ends_.push_back(units_.size());
      }
    }
    if (split) LUMRA_TRY(unless_unspellable(builder.add_units(units_)));
  }
  return Unit{};
}

Status<JapaneseDistanceError> TablePathAdder::add_reading_texts(const ReadingPathTable& table,
                                                                RomajiLatticeBuilder& builder) {
  ReadingPathWalker walker(table);
  while (walker.next()) {
    auto split = splitter_.split(walker.text(), false);
    if (!split.ok()) {
      LUMRA_TRY(unless_unspellable(std::move(split)));
      continue;
    }
    LUMRA_TRY(unless_unspellable(builder.add_units(splitter_.units())));
  }
  return Unit{};
}

}  // namespace lumra::ja
