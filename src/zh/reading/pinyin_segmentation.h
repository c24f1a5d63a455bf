// Segmentation: every pinyin reading of a Chinese text through the reading
// index.
//
// The text is read from its end backwards. Each character position keeps
// the distinct reading strings of the suffix that starts there, in byte
// order, at most max_paths of them. A position's set is built in a fixed
// generation order (spans by increasing end, each surface's readings in
// stored order, each continuation in byte order, then the raw run), and
// stops the moment it is full: the first max_paths strings formed stay, even
// when a later one would sort before them.
//
// Strings are never written out while the table is built: a string of a
// position is one reading in front of a string of the position where that
// reading's span ends, so strings share their tails
// (core/segmentation/tail_table.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/result.h"
#include "core/segmentation/tail_table.h"
#include "ja/romaji/text_list.h"
#include "zh/index/reading_index.h"
#include "zh/index/zh_load_error.h"
#include "zh/reading/validate_reading_options.h"

namespace lumra::zh {

// The reading strings of one text, built once and read in place. Reusing
// one table across texts reuses its buffers.
class PinyinReadingTable {
 public:
  // Segments `text`, which must outlive the table's use, replacing what the
  // table held. With `allow_raw_runs`, a position inside a run of direct
  // input characters may also start with the rest of that run, read as its
  // normalize_direct_input() form. Fails with the option check's error or
  // with the first lookup error.
  Status<ZhLoadError> build(const ZhReadingIndex& index, std::string_view text,
                            const ReadingOptions& options, bool allow_raw_runs);

  // Reading strings of the whole text; none when it cannot be read to its
  // end, or when the text is empty or max_span_chars or max_paths is 0.
  std::size_t string_count() const { return string_count_; }

  // String `k` (< string_count()) appended to `out`; strings are ranked in
  // ascending byte order.
  void append_string(std::size_t k, std::string& out) const;

  // Every string of the whole text appended to `out`, in byte order.
  void append_strings(ja::TextList& out) const;

  // The strings of every position as the segmentation keeps them; those of
  // the whole text are position 0's when string_count() is not 0.
  const TailTable& tails() const { return strings_; }

 private:
  struct Position {
    std::size_t offset = 0;  // byte offset in the text
    // The run of direct input characters from here, when raw runs are on.
    std::size_t run_end = 0;
    std::size_t raw_begin = 0;  // the run's normal form: raw_arena_[raw_begin, raw_end)
    std::size_t raw_end = 0;
    // A raw run from the colon of a "u:" pair reads as ":" and then the
    // normal form of what follows, which the arena holds.
    bool raw_colon_first = false;
  };
  struct Candidate {
    std::size_t end;
    std::size_t first_reading;
    std::size_t reading_count;
  };

  void prepare_raw_runs();

  std::string_view text_;
  std::size_t string_count_ = 0;
  std::vector<Position> positions_;
  // The strings of every position, readings and raw runs as fronts.
  TailTable strings_;
  std::string raw_arena_;  // normal forms of the direct input runs
  // Work of the position being built.
  std::vector<Candidate> candidates_;
  std::vector<std::string_view> candidate_readings_;
  std::vector<std::string_view> found_;  // one lookup's readings, reused
};

// The reading strings of `text` from its start, in ascending byte order,
// possibly none: PinyinReadingTable::build and its strings.
Result<ja::TextList, ZhLoadError> segment_pinyin(const ZhReadingIndex& index,
                                                  std::string_view text,
                                                  const ReadingOptions& options,
                                                  bool allow_raw_runs);

}  // namespace lumra::zh
