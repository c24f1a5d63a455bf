// PathUnitLists: the romaji units and variant lists of one reading path
// after another, each path redoing only what follows the segments it shares
// with the path before.
//
// Paths come in the byte order of their reading texts, so most begin with
// the segments of the path before. The units of the shared segments stand,
// and so do the lists of those units, unless a list looked at the unit
// after them (a small tsu looks ahead), which may have changed; the
// expansion meter takes up its totals after the lists that stand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "core/base/result.h"
#include "ja/japanese_distance_error.h"
#include "ja/romaji/expansion_size.h"
#include "ja/romaji/romaji_unit.h"
#include "ja/romaji/variant_lists.h"

namespace lumra::ja {

class PathUnitLists {
 public:
  // Expansions are measured against these limits.
  PathUnitLists(std::uint64_t max_paths, std::uint64_t max_symbols)
      : meter_(max_paths, max_symbols) {}

  // Segments whose units are held.
  std::size_t segment_count() const { return unit_ends_.size(); }

  // Keeps what the first `k` (<= segment_count()) segments gave: their
  // units, and the lists that neither reach past those units nor look at
  // the unit after them.
  void keep_segments(std::size_t k);
  // Keeps nothing.
  void forget() { keep_segments(0); }

  // Appends the units of one more segment's reading (split with
  // punctuation allowed when `raw`); on failure nothing is appended.
  Status<JapaneseDistanceError> append_segment(std::string_view reading, bool raw);
  // Makes the lists of the units not yet listed; on failure the lists made
  // before it stay.
  Status<JapaneseDistanceError> extend_lists();
  // The expansion size of lists(), measured from the last lists that stand.
  ExpansionSize measure();

  std::span<const RomajiUnit> units() const { return units_; }
  const UnitVariantLists& lists() const { return lists_; }

 private:
  std::vector<RomajiUnit> units_;
  std::vector<std::size_t> unit_ends_;  // the units up to the end of each segment
  UnitVariantLists lists_;
  std::vector<std::size_t> list_ends_;  // the unit after each list
  ExpansionMeter meter_;
  std::size_t measured_ = 0;  // the first lists of lists_ that the meter measured last
};

}  // namespace lumra::ja
