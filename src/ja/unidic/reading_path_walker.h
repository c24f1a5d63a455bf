// ReadingPathWalker: the paths of a ReadingPathTable one after the other,
// each told apart from the one before by where it starts to differ.
//
// Paths come in the byte order of their texts, so neighbours mostly share
// their first segments; whoever turns paths into romaji one by one can then
// keep the work done for those segments. Consecutive paths of a position
// that come from one piece of the table (core/segmentation/tail_table.h)
// share their front segment and continue with consecutive paths of the
// same later position, so the walk moves from one path to the next by
// redoing only the segments from the first one whose piece changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "ja/unidic/segmentation.h"

namespace lumra::ja {

class ReadingPathWalker {
 public:
  // The table must outlive the walker and stay unchanged while it walks.
  // Without `with_text`, text() and text_offset() are not kept.
  explicit ReadingPathWalker(const ReadingPathTable& table, bool with_text = true)
      : table_(table), with_text_(with_text) {}

  // Moves to the first path, then to each next one; false once there are
  // no more (at once for a table without paths).
  bool next();

  // The segments of the current path, in text order: those of the path
  // numbered as for ReadingPathTable::for_each_segment.
  std::span<const ReadingSegment> segments() const { return segments_; }
  // How many leading segments the current path shares with the one before
  // (0 for the first path). A lower bound: the segments after it may still
  // happen to be equal.
  std::size_t same_segments() const { return same_segments_; }
  // The current path's reading text: its readings end to end.
  const std::string& text() const { return text_; }
  // Where segment `k` starts in text().
  std::size_t text_offset(std::size_t k) const { return levels_[k].text_offset; }

  // Segments of the table's paths come from its runs (TailTable): the run
  // of segment `k` (< run_count()). Segments of one run have the same
  // reading and the same raw flag.
  std::uint32_t run(std::size_t k) const { return levels_[k].run; }
  std::size_t run_count() const { return table_.paths_.run_count(); }

 private:
  // One segment of the current path: the table position it starts at, the
  // path's rank there, the end of the piece that rank lies in, and the run
  // of that piece.
  struct Level {
    std::size_t position;
    std::uint32_t rank;
    std::uint32_t piece_end;
    std::uint32_t run;
    std::size_t text_offset;
  };

  // Replaces the segments from `depth` on by those of path `rank` of
  // `position`.
  void descend(std::size_t depth, std::size_t position, std::uint32_t rank);

  const ReadingPathTable& table_;
  bool with_text_;
  bool started_ = false;
  std::vector<Level> levels_;
  std::vector<ReadingSegment> segments_;
  std::size_t same_segments_ = 0;
  std::string text_;
};

}  // namespace lumra::ja
