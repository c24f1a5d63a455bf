// PathListWalker: the variant lists of a segmentation's reading paths, one
// path after another, as the string form makes them for each path alone.
//
// A text of a few kanji has up to max_paths reading paths made of a few
// dozen distinct segments, and splitting every path into units and listing
// their spellings was most of the cost of its spelling tree. A segment's
// units, and the lists of all of them but a last one that looks at the unit
// after it (list_looks_ahead), depend on its reading alone: they are made
// once per run of the table (ReadingPathWalker::run), and each path joins
// them, making only the lists that straddle a border between segments.
// Paths come in the byte order of their texts and mostly begin with the
// segments of the path before: the lists of those stand, and the expansion
// meter takes up its totals after them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "ja/reading/path_lists.h"
#include "ja/romaji/expansion.h"
#include "ja/romaji/expansion_size.h"
#include "ja/romaji/romaji_unit.h"
#include "ja/romaji/variant_lists.h"
#include "ja/unidic/reading_path_walker.h"
#include "ja/unidic/segmentation.h"

namespace lumra::ja {

class PathListWalker {
 public:
  using Kind = PathListKind;

  // The table must outlive the walker and stay unchanged while it walks.
  PathListWalker(const ReadingPathTable& table, const RomajiExpansionLimits& limits);

  // Moves to the first path, then to each next one; false once there are
  // no more.
  bool next();

  Kind kind() const { return kind_; }
  // The current path's segments.
  std::span<const ReadingSegment> segments() const { return paths_.segments(); }
  // Its variant lists (fill_unit_variant_lists of its joined units), when
  // kOverLimits or kSpelled.
  const UnitVariantLists& lists() const { return lists_; }
  // The size of its expansion, when kSpelled.
  const ExpansionSize& size() const { return size_; }
  // How many leading lists of lists() are the lists of the last kSpelled
  // path before it, at the least (0 when there is none).
  std::size_t lists_as_last_spelled() const { return as_last_spelled_; }

 private:
  // What one run's reading gives on its own.
  struct SegmentForm {
    bool made = false;
    bool spellable = false;  // split and listed
    std::uint64_t chars = 0;
    std::size_t unit_count = 0;
    RomajiUnit first_unit{};
    // Its lists are forms_lists_[first_list, list_end): those of its units
    // read from a list border at its start, all but a last unit's that
    // looks ahead, which is then `last_unit`.
    std::size_t first_list = 0;
    std::size_t list_end = 0;
    bool last_looks_ahead = false;
    RomajiUnit last_unit{};
  };
  // The state after one segment of the current path.
  struct Joined {
    std::uint64_t chars;  // of the readings so far
    std::size_t list_end;
    // A unit whose list waits for the unit after it.
    std::optional<RomajiUnit> waiting;
  };

  const SegmentForm& form(std::size_t k);
  // Joins the lists of the segments from `k` on; false when a path's
  // units have no spelling.
  bool join(std::size_t k);
  // Appends the list made at `unit` with `next` after it, if any; the
  // number of units it took, 0 when it has no spelling.
  std::size_t append_list_at(const RomajiUnit& unit, const RomajiUnit* next);
  void truncate_lists(std::size_t size);

  ReadingPathWalker paths_;
  RomajiExpansionLimits limits_;
  std::vector<SegmentForm> forms_;
  UnitVariantLists forms_lists_;
  std::vector<RomajiUnit> units_;  // scratch

  Kind kind_ = Kind::kUnspellable;
  // joined_[k]: after segment k of the current path; the lists only as far
  // as the path was joined (a path that stops early is not joined to its
  // end).
  std::vector<Joined> joined_;
  std::size_t joined_lists_ = 0;  // the first entries of joined_ whose lists are in lists_
  UnitVariantLists lists_;
  std::vector<std::size_t> scratch_ends_;
  UnitVariantLists scratch_lists_;
  ExpansionMeter meter_;
  ExpansionSize size_{};
  // Leading lists unchanged since the meter's last measure, and since the
  // last spelled path.
  std::size_t as_measured_ = 0;
  std::size_t as_last_spelled_ = 0;
  std::size_t unchanged_since_spelled_ = 0;
};

}  // namespace lumra::ja
