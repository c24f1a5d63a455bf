// The readings of a Chinese text: its pinyin reading strings, and the
// lattice of them.
//
// A text is read by the first of three routes that gives a reading:
//   1. direct input: a text of direct input characters only is pinyin
//      already, and its one reading is its normalize_direct_input() form;
//   2. segmentation into dictionary surfaces alone;
//   3. segmentation where a run of direct input characters may also stand
//      as a segment ("abc中国" reads "abc" and then 中国's readings).
// A text none of them reads fails with UnsupportedDirectInput; option and
// lookup failures are Dictionary errors. Both forms run the same routes and
// differ only in the result's form.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/base/result.h"
#include "core/lattice/lattice.h"
#include "core/segmentation/compact_tail_lattice.h"
#include "ja/romaji/text_list.h"
#include "zh/index/reading_index.h"
#include "zh/reading/chinese_distance_error.h"
#include "zh/reading/pinyin_segmentation.h"
#include "zh/reading/validate_reading_options.h"

namespace lumra::zh {

// The most bytes the reading strings of one text may hold together.
inline constexpr std::uint64_t kMaxReadingStringBytes = 16 * 1024 * 1024;

// The reading strings of `text`, never none: direct input gives its one
// normal form (possibly empty, for white space only), a segmented text its
// strings in ascending byte order; ReadingStringsTooLarge when they would
// hold more than kMaxReadingStringBytes together.
Result<ja::TextList, ChineseDistanceError> pinyin_reading_strings(const ZhReadingIndex& index,
                                                                  std::string_view text,
                                                                  const ReadingOptions& options);

// The same strings as one PathLattice whose symbols are their characters:
// PathLattice::from_paths of the one string of direct input (the one-node
// lattice for the empty string), and for a segmented text the lattice
// PathLattice::from_paths_compact makes of its strings (built from the
// segmentation's shared tails, core/segmentation/compact_tail_lattice.h).
Result<PathLattice, ChineseDistanceError> pinyin_reading_lattice(const ZhReadingIndex& index,
                                                                 std::string_view text,
                                                                 const ReadingOptions& options);

// pinyin_reading_lattice for a search: the lattice of a segmented text
// whose node count exceeds `max_nodes` is only counted, never built, since
// no search could take it; the count is the lattice's all the same, so the
// state limit's error names the sizes it would with the lattice built.
Result<CompactTailLattice, ChineseDistanceError> pinyin_searchable_lattice(
    const ZhReadingIndex& index, std::string_view text, const ReadingOptions& options,
    PinyinReadingTable& table, std::uint64_t max_nodes);

// The same, reusing `table`'s buffers across calls.
Result<ja::TextList, ChineseDistanceError> pinyin_reading_strings(const ZhReadingIndex& index,
                                                                  std::string_view text,
                                                                  const ReadingOptions& options,
                                                                  PinyinReadingTable& table);
Result<PathLattice, ChineseDistanceError> pinyin_reading_lattice(const ZhReadingIndex& index,
                                                                 std::string_view text,
                                                                 const ReadingOptions& options,
                                                                 PinyinReadingTable& table);

// How large the reading strings of a text are, counted without writing
// them out.
struct PinyinStringsExtent {
  std::uint64_t strings;        // how many pinyin_reading_strings gives
  std::uint64_t longest_bytes;  // at least the bytes of the longest
};

// The extent of pinyin_reading_strings(index, text, options): the same
// routes and the same failures, but for ReadingStringsTooLarge, which that
// function cannot give when strings * longest_bytes is within
// kMaxReadingStringBytes. Costs a segmentation and a walk over its pieces.
Result<PinyinStringsExtent, ChineseDistanceError> pinyin_reading_strings_extent(
    const ZhReadingIndex& index, std::string_view text, const ReadingOptions& options,
    PinyinReadingTable& table);

}  // namespace lumra::zh
