#include "ja/unidic/segmentation.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "core/base/interruption.h"
#include "ja/reading/validate_reading_options.h"
#include "ja/romaji/char_classes.h"
#include "ja/text/next_char.h"

namespace lumra::ja {

namespace {

// Path texts are never stored whole: a position's text is one reading in
// front of a text of a later position. The polynomial hash sum (b + 1) *
// B^k over the bytes b of a text is extended at the front in O(reading),
// and equal texts hash equally however they are split into segments, so
// duplicates are found without writing texts out; equal hashes are
// confirmed by comparing the texts.
constexpr std::uint64_t kHashBase = 0x100000001B3;

std::uint64_t prepend_hash(std::string_view front, std::uint64_t hash) {
  for (std::size_t i = front.size(); i-- > 0;) {
    hash = hash * kHashBase + (static_cast<unsigned char>(front[i]) + 1u);
  }
  return hash;
}

// Spreads a hash over the slot bits.
std::uint64_t slot_hash(std::uint64_t hash) {
  hash ^= hash >> 31;
  hash *= 0x9E3779B97F4A7C15;
  return hash ^ (hash >> 29);
}

constexpr std::size_t kMinSlots = 16;

}  // namespace

std::uint64_t ReadingPathTable::hash_of(std::size_t position, std::uint32_t rank) const {
  if (position == char_count_) return 0;
  return nodes_[positions_[position].first + rank].hash;
}

int ReadingPathTable::compare(Cursor a, Cursor b) const {
  auto advance = [this](Cursor& c) {
    const PathNode& node = nodes_[positions_[c.end].first + c.rest];
    c = {node.reading, node.end, node.rest};
  };
  for (;;) {
    const bool a_between = a.segment.empty();
    const bool b_between = b.segment.empty();
    // The rest of both texts is a path of the same position, and those are
    // distinct and ranked in text order.
    if (a_between && b_between && a.end == b.end) return a.rest < b.rest ? -1 : a.rest > b.rest;
    if (a_between && a.end != char_count_) {
      advance(a);
      continue;
    }
    if (b_between && b.end != char_count_) {
      advance(b);
      continue;
    }
    if (a_between) return -1;  // a ended, b goes on
    if (b_between) return 1;
    const std::size_t common = std::min(a.segment.size(), b.segment.size());
    if (int c = std::memcmp(a.segment.data(), b.segment.data(), common); c != 0) {
      return c < 0 ? -1 : 1;
    }
    a.segment.remove_prefix(common);
    b.segment.remove_prefix(common);
  }
}

bool ReadingPathTable::offer(const PathNode& node) {
  if (2 * (pending_.size() + 1) > slots_.size()) {
    slots_.assign(std::max(kMinSlots, 2 * slots_.size()), 0);
    used_slots_.clear();
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t k = 0; k < pending_.size(); ++k) {
      std::size_t s = slot_hash(pending_[k].hash) & mask;
      while (slots_[s] != 0) s = (s + 1) & mask;
      slots_[s] = static_cast<std::uint32_t>(k + 1);
      used_slots_.push_back(static_cast<std::uint32_t>(s));
    }
  }
  const std::size_t mask = slots_.size() - 1;
  std::size_t s = slot_hash(node.hash) & mask;
  for (; slots_[s] != 0; s = (s + 1) & mask) {
    const PathNode& other = pending_[slots_[s] - 1];
    if (other.hash == node.hash &&
        compare({node.reading, node.end, node.rest}, {other.reading, other.end, other.rest}) ==
            0) {
      return false;  // the first path with this text stays; the position was not full before
    }
  }
  slots_[s] = static_cast<std::uint32_t>(pending_.size() + 1);
  used_slots_.push_back(static_cast<std::uint32_t>(s));
  pending_.push_back(node);
  return pending_.size() >= max_paths_;
}

void ReadingPathTable::finish_position(std::size_t position) {
  order_.resize(pending_.size());
  std::iota(order_.begin(), order_.end(), 0u);
  std::sort(order_.begin(), order_.end(), [this](std::uint32_t a, std::uint32_t b) {
    const PathNode& x = pending_[a];
    const PathNode& y = pending_[b];
    return compare({x.reading, x.end, x.rest}, {y.reading, y.end, y.rest}) < 0;
  });
  positions_[position].first = nodes_.size();
  positions_[position].count = static_cast<std::uint32_t>(pending_.size());
  for (std::uint32_t k : order_) nodes_.push_back(pending_[k]);
  pending_.clear();
  for (std::uint32_t s : used_slots_) slots_[s] = 0;
  used_slots_.clear();
}

Status<UnidicLoadError> ReadingPathTable::build(const UnidicReadingIndex& index,
                                                std::string_view text,
                                                const ReadingOptions& options, bool fallback) {
  text_ = text;
  char_count_ = 0;
  path_count_ = 0;
  positions_.clear();
  nodes_.clear();
  LUMRA_TRY(validate_reading_options(options));
  max_paths_ = options.max_paths;
  if (options.max_span_chars == 0 || text.empty() || options.max_paths == 0) return Unit{};

  // run_end first holds whether the character reads as romaji on its own;
  // the backward pass turns that into the end of the readable run.
  for (std::size_t at = 0; at < text.size();) {
    const NextChar c = next_char(text, at);
    positions_.push_back({.offset = at, .run_end = fallback && is_romaji_readable(c.value)});
    at += c.size;
  }
  positions_.push_back({.offset = text.size()});
  const std::size_t n = char_count_ = positions_.size() - 1;
  positions_[n].count = 1;  // the empty path
  positions_[n].run_end = n;
  for (std::size_t i = n; i-- > 0;) {
    positions_[i].run_end = positions_[i].run_end ? positions_[i + 1].run_end : i;
  }

  const bool keep_all = fallback || !options.longest_only;
  // A long text with max_paths paths at every position takes seconds.
  // Interrupted (core/base/interruption.h), the table is left without
  // paths, which its callers treat as any text that does not segment; the
  // installer of the source discards what they make of it.
  InterruptionPoll poll;
  for (std::size_t i = n; i-- > 0;) {
    if (poll.stop_after(64 * (std::uint64_t{positions_[i + 1].count} + 1))) return Unit{};
    candidates_.clear();
    candidate_readings_.clear();
    const std::size_t last = std::min<std::size_t>(n, i + options.max_span_chars);
    for (std::size_t j = i + 1; j <= last; ++j) {
      if (positions_[j].count == 0) continue;  // cannot reach the end from there
      LUMRA_TRY_ASSIGN(const bool found, index.lookup_folded(surface(i, j), found_));
      if (!found) continue;
      if (!keep_all) {
        candidates_.clear();
        candidate_readings_.clear();
      }
      const std::size_t used = readings_used(options, found_.size());
      candidates_.push_back({j, candidate_readings_.size(), used});
      candidate_readings_.insert(candidate_readings_.end(), found_.begin(),
                                 found_.begin() + static_cast<std::ptrdiff_t>(used));
    }

    bool full = false;
    for (std::size_t c = 0; c < candidates_.size() && !full; ++c) {
      const Candidate& candidate = candidates_[c];
      const std::uint32_t tails = positions_[candidate.end].count;
      for (std::size_t r = 0; r < candidate.reading_count && !full; ++r) {
        const std::string_view reading = candidate_readings_[candidate.first_reading + r];
        for (std::uint32_t q = 0; q < tails && !full; ++q) {
          full = offer({reading, prepend_hash(reading, hash_of(candidate.end, q)), candidate.end,
                        q, false});
        }
      }
    }
    if (fallback && !full) {
      // Only the longest readable run is offered, never a shorter prefix.
      const std::size_t e = positions_[i].run_end;
      if (e > i && positions_[e].count > 0) {
        const std::string_view run = surface(i, e);
        for (std::uint32_t q = 0; q < positions_[e].count && !full; ++q) {
          full = offer({run, prepend_hash(run, hash_of(e, q)), e, q, true});
        }
      }
    }
    finish_position(i);
  }
  path_count_ = positions_[0].count;
  return Unit{};
}

void ReadingPathTable::append_text(std::size_t path, std::string& out) const {
  for_each_segment(path, [&out](const ReadingSegment& segment) { out += segment.reading; });
}

std::vector<ReadingPath> ReadingPathTable::paths() const {
  std::vector<ReadingPath> out(path_count_);
  for (std::size_t k = 0; k < path_count_; ++k) {
    for_each_segment(k, [&](const ReadingSegment& segment) {
      out[k].segments.push_back(segment);
      out[k].text += segment.reading;
    });
  }
  return out;
}

Result<std::vector<ReadingPath>, UnidicLoadError> segment_reading_paths(
    const UnidicReadingIndex& index, std::string_view text, const ReadingOptions& options,
    bool fallback) {
  ReadingPathTable table;
  LUMRA_TRY(table.build(index, text, options, fallback));
  return table.paths();
}

}  // namespace lumra::ja
