// TailTable: the distinct reading strings of every suffix of a text, at
// most max_paths per suffix, sharing their tails.
//
// A segmentation reads a text from its end backwards. The strings of the
// suffix that starts at position i are each a front (the reading of one
// segment) followed by a string of the position where that segment ends,
// its tail. A position is filled by offering runs, a run being one front in
// front of every tail of one later position, in the order the caller
// generates them; the first max_paths distinct strings offered stay, and
// the strings of each position are ranked in byte order.
//
// Why runs: a front in front of the tails of a position, taken in rank
// order, gives strings already in byte order, so a position's strings are
// a merge of its runs. Stored as pieces of consecutive ranks from one run,
// a position costs a few words however many strings it holds, where one
// record per string would make a long, ambiguous text cost its length
// times max_paths records. Duplicates are found while merging, so no
// string is ever hashed or written out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace lumra {

class TailTable {
 public:
  // The text of one segment's reading, in one or two parts (a reading that
  // must be written with a prefix gives the prefix as `first` and the
  // reading as `then`).
  struct Front {
    std::string_view first;
    std::string_view then;
  };

  // One step along a string: its front, where the front's segment ends,
  // the rank of the rest among the strings of `end`, and the caller's flag
  // for the run.
  struct Step {
    Front front;
    std::size_t end;
    std::uint32_t rest;
    bool flag;
  };

  // Empties the table for a text of `char_count` positions; the position at
  // the end holds the empty string only. `max_paths` must be at least 1 and
  // fit in 32 bits.
  void reset(std::size_t char_count, std::uint32_t max_paths);

  // Offers `front` in front of every string of `end` (a finished position
  // after the one being built) in rank order, until the position being
  // built is full; true once it is. Strings already there are passed over.
  // `flag` comes back with every step of the run. The views must outlive
  // the table's use.
  bool offer_run(Front front, std::size_t end, bool flag);

  // Ranks what was offered as the strings of `position`. Positions are
  // finished from the last to the first, each once.
  void finish_position(std::size_t position);

  // How many strings the finished `position` holds.
  std::uint32_t count(std::size_t position) const { return positions_[position].count; }

  // The first step of string `rank` (< count) of the finished `position`
  // (before the end).
  Step step(std::size_t position, std::uint32_t rank) const;

  // The strings of a finished position as pieces: ranks [rank_first,
  // rank_end) are `front` followed by the strings rest_first, rest_first +
  // 1, ... of `end`. Pieces cover the ranks in order, without gaps. `run`
  // numbers the run the piece comes from (< run_count()): pieces of one run
  // share its front, end and flag, so whoever derives something from those
  // may keep it by run.
  struct PieceView {
    std::uint32_t rank_first;
    std::uint32_t rank_end;
    Front front;
    std::size_t end;
    std::uint32_t rest_first;
    bool flag;
    std::uint32_t run;
  };
  std::uint32_t piece_count(std::size_t position) const {
    return positions_[position].piece_count;
  }
  PieceView piece(std::size_t position, std::uint32_t k) const;
  // The first piece of `position` that holds rank `rank` (< count).
  std::uint32_t piece_of_rank(std::size_t position, std::uint32_t rank) const;

  // The runs of the finished positions that gave strings.
  std::size_t run_count() const { return runs_.size(); }

  // The position at the end of the text, which holds the empty string only.
  std::size_t char_count() const { return char_count_; }

  // Calls `visit(step)` for each step of string `rank` of `position`, in
  // text order.
  template <class Visit>
  void for_each_step(std::size_t position, std::uint32_t rank, Visit&& visit) const {
    while (position != char_count_) {
      const Step s = step(position, rank);
      visit(s);
      position = s.end;
      rank = s.rest;
    }
  }

 private:
  struct Run {
    Front front;
    std::size_t end;
    bool flag;
  };
  // Ranks from `rank_first` up to the next piece's, taken from the tails
  // `rest_first`, `rest_first` + 1, ... of run `run`.
  struct Piece {
    std::uint32_t rank_first;
    std::uint32_t rest_first;
    std::uint32_t run;
  };
  struct Position {
    std::size_t first_piece = 0;
    std::uint32_t piece_count = 0;
    std::uint32_t count = 0;
  };
  // A string of the position being built: a pending run and a tail rank.
  struct Entry {
    std::uint32_t run;
    std::uint32_t rest;
  };
  // A place inside a string, for comparing two strings.
  struct Cursor {
    std::string_view segment;  // what is left of the current part
    std::string_view then;     // the part after it, if any
    std::size_t end;
    std::uint32_t rest;
  };

  Cursor cursor(const Front& front, std::size_t end, std::uint32_t rest) const {
    return {front.first, front.then, end, rest};
  }
  Cursor cursor(const Entry& entry) const {
    const Run& run = pending_runs_[entry.run];
    return cursor(run.front, run.end, entry.rest);
  }
  int compare(Cursor a, Cursor b) const;

  std::size_t char_count_ = 0;
  std::uint32_t max_paths_ = 1;
  std::vector<Position> positions_;
  std::vector<Piece> pieces_;
  std::vector<Run> runs_;
  // Work of the position being built.
  std::vector<Run> pending_runs_;
  std::vector<Entry> entries_;  // distinct, in byte order
  // While only one run has given strings, they are its tails 0 ..
  // lone_count_ - 1, and entries_ is empty.
  std::uint32_t lone_run_ = 0;
  std::uint32_t lone_count_ = 0;
  std::size_t held() const { return lone_count_ > 0 ? lone_count_ : entries_.size(); }
  std::vector<Entry> merged_;
  std::vector<std::uint32_t> run_numbers_;
};

}  // namespace lumra
