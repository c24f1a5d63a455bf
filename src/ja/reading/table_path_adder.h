// TablePathAdder: every path of a segmentation into a romaji lattice
// builder, one after the other, each split only from where it differs from
// the path before.
//
// A text of a few kanji has up to max_paths paths, mostly sharing their
// first segments with their neighbour (ReadingPathWalker), and splitting
// them into units was most of the cost of its lattice. The units of the
// shared segments, or of the shared beginning of the reading texts, are
// kept; the builder does the same for its variant lists.
#pragma once

#include <cstddef>
#include <vector>

#include "core/base/result.h"
#include "ja/japanese_distance_error.h"
#include "ja/romaji/lattice_builder.h"
#include "ja/romaji/resuming_splitter.h"
#include "ja/romaji/romaji_unit.h"
#include "ja/unidic/segmentation.h"

namespace lumra::ja {

class TablePathAdder {
 public:
  // Adds each path of `table` in order, its segments split on their own
  // (raw segments with punctuation allowed) and their units joined. A path
  // that cannot be spelled (UnsupportedCharacter or MissingRomajiVariant)
  // is skipped; any other failure ends the adding.
  Status<JapaneseDistanceError> add_paths(const ReadingPathTable& table,
                                          RomajiLatticeBuilder& builder);

  // The same with each path's reading text split at once as one dictionary
  // reading (punctuation not allowed), so that kana keys may span what were
  // segments.
  Status<JapaneseDistanceError> add_reading_texts(const ReadingPathTable& table,
                                                  RomajiLatticeBuilder& builder);

 private:
  std::vector<RomajiUnit> units_;
  // The number of units after each segment of the path last split, as far
  // as its split went.
  std::vector<std::size_t> unit_ends_;
  ResumingSplitter splitter_;
};

}  // namespace lumra::ja
