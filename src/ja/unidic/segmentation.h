// Segmentation: every way to read a Japanese text against the reading
// index, as reading paths.
//
// The text is read from its end backwards. Each character position keeps
// the distinct reading texts of the suffix that starts there, in byte
// order, at most max_paths of them: the first path formed with a given
// text wins, and a position stops as soon as it is full. A path of a
// position is one segment (a dictionary surface with one of its readings,
// or a raw run of characters read as they stand) followed by a path of the
// position where that segment ends, so paths share their tails
// (core/segmentation/tail_table.h): a long text whose positions all hold
// max_paths paths costs a few words per character, not max_paths records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/result.h"
#include "core/segmentation/tail_table.h"
#include "ja/reading/reading_options.h"
#include "ja/unidic/reading_index.h"
#include "ja/unidic/unidic_load_error.h"

namespace lumra::ja {

// One segment of a reading path. The views point into the segmented text
// and into the index (a raw segment's reading is its surface), so a segment
// lives no longer than either.
struct ReadingSegment {
  std::string_view surface;
  std::string_view reading;
  bool raw;  // a run read as it stands, made by the fallback
};

// One way of reading a whole text; `text` is its readings end to end.
struct ReadingPath {
  std::vector<ReadingSegment> segments;
  std::string text;
};

// The reading paths of one text, built once and walked in place.
class ReadingPathTable {
 public:
  // Segments `text`, which must outlive the table's use, replacing what the
  // table held. With `fallback`, a position may also start with the longest
  // run of characters that reads as romaji on its own (is_romaji_expandable
  // of every prefix), and `longest_only` is ignored. Fails with the option
  // check's error or the first lookup error.
  Status<UnidicLoadError> build(const UnidicReadingIndex& index, std::string_view text,
                                const ReadingOptions& options, bool fallback);

  // Paths of the whole text; none when it cannot be read to its end.
  std::size_t path_count() const { return path_count_; }

  // Calls `visit` with each segment of path `path` (< path_count()), in
  // text order.
  template <class Visit>
  void for_each_segment(std::size_t path, Visit&& visit) const {
    std::size_t start = 0;
    paths_.for_each_step(0, static_cast<std::uint32_t>(path), [&](const TailTable::Step& step) {
      visit(ReadingSegment{surface(start, step.end), step.front.first, step.flag});
      start = step.end;
    });
  }

  // Path `path`'s reading text appended to `out`.
  void append_text(std::size_t path, std::string& out) const;

  // All paths of the whole text, in the byte order of their texts.
  std::vector<ReadingPath> paths() const;

  // The reading texts of every position as the table holds them, position
  // 0's being those of the paths (core/segmentation/tail_table.h), for
  // whoever works on the texts without walking the paths one by one.
  const TailTable& tails() const { return paths_; }

 private:
  friend class ReadingPathWalker;

  struct Position {
    std::size_t offset = 0;   // byte offset of the position in the text
    std::size_t run_end = 0;  // end of the romaji-readable run starting here
  };
  struct Candidate {
    std::size_t end;
    std::size_t first_reading;
    std::size_t reading_count;
  };

  std::string_view surface(std::size_t start, std::size_t end) const {
    return text_.substr(positions_[start].offset,
                        positions_[end].offset - positions_[start].offset);
  }

  std::string_view text_;
  std::size_t path_count_ = 0;
  std::vector<Position> positions_;
  // The paths of every position: readings are fronts, raw runs flagged.
  TailTable paths_;
  // Work of the position being built.
  std::vector<Candidate> candidates_;
  std::vector<std::string_view> candidate_readings_;
  std::vector<std::string_view> found_;
};

// The paths of `text` as a list, for callers that want them all at once.
Result<std::vector<ReadingPath>, UnidicLoadError> segment_reading_paths(
    const UnidicReadingIndex& index, std::string_view text, const ReadingOptions& options,
    bool fallback);

}  // namespace lumra::ja
