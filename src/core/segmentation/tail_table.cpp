#include "core/segmentation/tail_table.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace lumra {

namespace {

constexpr std::uint32_t kUnnumbered = std::numeric_limits<std::uint32_t>::max();

}  // namespace

void TailTable::reset(std::size_t char_count, std::uint32_t max_paths) {
  char_count_ = char_count;
  max_paths_ = max_paths;
  positions_.assign(char_count + 1, Position{});
  positions_[char_count].count = 1;  // the empty string
  pieces_.clear();
  runs_.clear();
  pending_runs_.clear();
  entries_.clear();
  lone_count_ = 0;
}

TailTable::Step TailTable::step(std::size_t position, std::uint32_t rank) const {
  const Piece& piece = pieces_[positions_[position].first_piece + piece_of_rank(position, rank)];
  const Run& run = runs_[piece.run];
  return {run.front, run.end, piece.rest_first + (rank - piece.rank_first), run.flag};
}

TailTable::PieceView TailTable::piece(std::size_t position, std::uint32_t k) const {
  const Position& p = positions_[position];
  const Piece& x = pieces_[p.first_piece + k];
  const std::uint32_t rank_end = k + 1 < p.piece_count ? pieces_[p.first_piece + k + 1].rank_first
                                                       : p.count;
  const Run& run = runs_[x.run];
  return {x.rank_first, rank_end, run.front, run.end, x.rest_first, run.flag, x.run};
}

std::uint32_t TailTable::piece_of_rank(std::size_t position, std::uint32_t rank) const {
  const Position& p = positions_[position];
  const Piece* first = pieces_.data() + p.first_piece;
  const Piece* found = std::upper_bound(first + 1, first + p.piece_count, rank,
                                        [](std::uint32_t r, const Piece& x) {
                                          return r < x.rank_first;
                                        }) -
                       1;
  return static_cast<std::uint32_t>(found - first);
}

int TailTable::compare(Cursor a, Cursor b) const {
  for (;;) {
    if (a.segment.empty()) std::swap(a.segment, a.then);
    if (b.segment.empty()) std::swap(b.segment, b.then);
    const bool a_between = a.segment.empty();
    const bool b_between = b.segment.empty();
    // The rest of both strings is a string of the same position, and those
    // are distinct and ranked in byte order.
    if (a_between && b_between && a.end == b.end) return a.rest < b.rest ? -1 : a.rest > b.rest;
    if (a_between && a.end != char_count_) {
      const Step s = step(a.end, a.rest);
      a = cursor(s.front, s.end, s.rest);
      continue;
    }
    if (b_between && b.end != char_count_) {
      const Step s = step(b.end, b.rest);
      b = cursor(s.front, s.end, s.rest);
      continue;
    }
    if (a_between) return -1;  // a ended, b goes on
    if (b_between) return 1;
    const std::size_t common = std::min(a.segment.size(), b.segment.size());
    // Strings that start with the same reading share its bytes, which are
    // then passed over without reading them.
    if (a.segment.data() != b.segment.data()) {
      if (int c = std::memcmp(a.segment.data(), b.segment.data(), common); c != 0) {
        return c < 0 ? -1 : 1;
      }
    }
    a.segment.remove_prefix(common);
    b.segment.remove_prefix(common);
  }
}

bool TailTable::offer_run(Front front, std::size_t end, bool flag) {
  const std::uint32_t tails = positions_[end].count;
  if (held() >= max_paths_) return true;
  if (tails == 0) return false;
  const auto run = static_cast<std::uint32_t>(pending_runs_.size());
  pending_runs_.push_back({front, end, flag});
  if (held() == 0) {
    // One run alone is distinct and in order already, and is kept as its
    // count until a second run needs its strings one by one: a position
    // that its first run fills (most of them, in a long text) then costs
    // nothing per string.
    lone_run_ = run;
    lone_count_ = std::min(tails, max_paths_);
    return lone_count_ >= max_paths_;
  }
  if (lone_count_ > 0) {
    for (std::uint32_t q = 0; q < lone_count_; ++q) entries_.push_back({lone_run_, q});
    lone_count_ = 0;
  }
  // Merges the run into the strings so far, in the order they are offered:
  // a string equal to one already there is passed over, and the offering
  // stops when the position is full.
  merged_.clear();
  std::size_t kept = 0;  // entries_[0, kept) are in merged_
  std::size_t total = entries_.size();
  for (std::uint32_t q = 0; q < tails && total < max_paths_; ++q) {
    const Cursor offered = cursor(front, end, q);
    // The first entry from `kept` on that is not below the offered string:
    // galloping from `kept`, since a run's strings mostly fall close to
    // each other, then halving. Entries before it are below, and `order`
    // is its comparison with the offered string.
    std::size_t below = kept;
    std::size_t not_below = entries_.size();
    int order = 1;
    for (std::size_t stride = 1; below < not_below; stride *= 2) {
      const std::size_t probe = std::min(below + stride - 1, not_below - 1);
      const int c = compare(cursor(entries_[probe]), offered);
      if (c >= 0) {
        not_below = probe;
        order = c;
        break;
      }
      below = probe + 1;
    }
    while (below < not_below) {
      const std::size_t middle = below + (not_below - below) / 2;
      const int c = compare(cursor(entries_[middle]), offered);
      if (c < 0) {
        below = middle + 1;
      } else {
        not_below = middle;
        order = c;
      }
    }
    merged_.insert(merged_.end(), entries_.begin() + static_cast<std::ptrdiff_t>(kept),
                   entries_.begin() + static_cast<std::ptrdiff_t>(below));
    kept = below;
    if (kept < entries_.size() && order == 0) continue;  // formed already
    merged_.push_back({run, q});
    ++total;
  }
  merged_.insert(merged_.end(), entries_.begin() + static_cast<std::ptrdiff_t>(kept),
                 entries_.end());
  std::swap(entries_, merged_);
  return entries_.size() >= max_paths_;
}

void TailTable::finish_position(std::size_t position) {
  Position& p = positions_[position];
  p.first_piece = pieces_.size();
  if (lone_count_ > 0) {
    p.count = lone_count_;
    p.piece_count = 1;
    pieces_.push_back({0, 0, static_cast<std::uint32_t>(runs_.size())});
    runs_.push_back(pending_runs_[lone_run_]);
    lone_count_ = 0;
    pending_runs_.clear();
    return;
  }
  p.count = static_cast<std::uint32_t>(entries_.size());
  run_numbers_.assign(pending_runs_.size(), kUnnumbered);
  for (std::size_t k = 0; k < entries_.size(); ++k) {
    const Entry& e = entries_[k];
    if (k > 0 && e.run == entries_[k - 1].run && e.rest == entries_[k - 1].rest + 1) continue;
    std::uint32_t& number = run_numbers_[e.run];
    if (number == kUnnumbered) {
      // Only runs that gave a string are kept.
      number = static_cast<std::uint32_t>(runs_.size());
      runs_.push_back(pending_runs_[e.run]);
    }
    pieces_.push_back({static_cast<std::uint32_t>(k), e.rest, number});
  }
  p.piece_count = static_cast<std::uint32_t>(pieces_.size() - p.first_piece);
  pending_runs_.clear();
  entries_.clear();
}

}  // namespace lumra
