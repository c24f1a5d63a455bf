// Reading paths to romaji: each path's kana readings are split and joined
// into one unit list, then expanded to strings or added to a lattice.
//
// Joining before expanding matters at segment borders: a small tsu at the
// end of one segment doubles the consonant of the next. Two-character kana
// keys never span segments, since each reading is split on its own.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/base/result.h"
#include "ja/japanese_distance_error.h"
#include "ja/romaji/expansion.h"
#include "ja/romaji/lattice_builder.h"
#include "ja/romaji/romaji_unit.h"
#include "ja/romaji/text_list.h"
#include "ja/romaji/text_set.h"
#include "ja/unidic/segmentation.h"

namespace lumra::ja {

// The most romaji bytes (romaji is ASCII: symbols) that the strings of all
// paths of one text may hold together, sixteen times what one path's
// expansion may produce.
inline constexpr std::uint64_t kMaxGatheredRomajiSymbols =
    16 * kReadingExpansionLimits.max_symbols;

// The romaji strings of `path`, in expansion order: its readings may
// together hold at most 1024 characters, raw segments are split with
// punctuation allowed and dictionary readings without, and the expansion is
// bounded as for every reading form (kReadingExpansionLimits).
Result<TextList, JapaneseDistanceError> path_romaji_strings(const ReadingPath& path);

// The same conversions with buffers kept from path to path. A path that
// cannot be spelled (UnsupportedCharacter or MissingRomajiVariant) is
// skipped by the add_* methods, which report any other failure.
class PathRomajiConverter {
 public:
  // path_romaji_strings of the path made of `segments`, replacing `out`.
  Status<JapaneseDistanceError> strings(std::span<const ReadingSegment> segments, TextList& out);

  // Adds the strings of the path made of `segments` to `set`.
  Status<JapaneseDistanceError> add_strings(std::span<const ReadingSegment> segments,
                                            TextSet& set);
  Status<JapaneseDistanceError> add_strings(const ReadingPathTable& table, TextSet& set);

  // Adds the path made of `segments` to `builder`; there are no romaji
  // limits in the lattice form.
  Status<JapaneseDistanceError> add_path(std::span<const ReadingSegment> segments,
                                         RomajiLatticeBuilder& builder);
  Status<JapaneseDistanceError> add_paths(const ReadingPathTable& table,
                                          RomajiLatticeBuilder& builder);

  // Adds `text` split at once as one dictionary reading (punctuation not
  // allowed), so that kana keys may span what were segments.
  Status<JapaneseDistanceError> add_reading_text(std::string_view text,
                                                 RomajiLatticeBuilder& builder);

 private:
  Status<JapaneseDistanceError> split(std::span<const ReadingSegment> segments);
  std::span<const ReadingSegment> table_path(const ReadingPathTable& table, std::size_t path);

  std::vector<ReadingSegment> segments_;
  std::vector<RomajiUnit> units_;
  RomajiExpander expander_;
  TextList strings_;
};

}  // namespace lumra::ja
