#include "zh/reading/pinyin_segmentation.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "ja/reading/reading_options.h"
#include "ja/text/next_char.h"
#include "zh/reading/direct_input.h"

namespace lumra::zh {

namespace {

// Strings are hashed without being written out: the polynomial sum of
// (b + 1) * B^k over the bytes b of a string, k counted from its front, is
// extended at the front in O(reading), or in O(1) from a suffix's hash and
// B to the power of the prefix's length, and equal strings hash equally
// however they are split into segments. Equal hashes are confirmed by
// comparing the strings.
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
constexpr std::string_view kColon = ":";
constexpr std::size_t kNone = static_cast<std::size_t>(-1);

}  // namespace

std::uint64_t PinyinReadingTable::hash_of(std::size_t position, std::uint32_t rank) const {
  if (position == char_count_) return 0;  // the empty string
  return entries_[positions_[position].first + rank].hash;
}

PinyinReadingTable::Cursor PinyinReadingTable::cursor_of(const Entry& entry) const {
  if (entry.colon_first) return {kColon, entry.reading, entry.end, entry.rest};
  return {entry.reading, {}, entry.end, entry.rest};
}

int PinyinReadingTable::compare(Cursor a, Cursor b) const {
  for (;;) {
    if (a.segment.empty()) std::swap(a.segment, a.then);
    if (b.segment.empty()) std::swap(b.segment, b.then);
    const bool a_between = a.segment.empty();
    const bool b_between = b.segment.empty();
    // The rest of both strings is a string of the same position, and those
    // are distinct and ranked in byte order.
    if (a_between && b_between && a.end == b.end) return a.rest < b.rest ? -1 : a.rest > b.rest;
    if (a_between && a.end != char_count_) {
      a = cursor_of(entries_[positions_[a.end].first + a.rest]);
      continue;
    }
    if (b_between && b.end != char_count_) {
      b = cursor_of(entries_[positions_[b.end].first + b.rest]);
      continue;
    }
    if (a_between) return -1;  // a ended, b goes on
    if (b_between) return 1;
    const std::size_t common = std::min(a.segment.size(), b.segment.size());
    // Strings that start with the same reading share its bytes; long raw
    // runs are then passed over without reading them.
    if (a.segment.data() != b.segment.data()) {
      if (int c = std::memcmp(a.segment.data(), b.segment.data(), common); c != 0) {
        return c < 0 ? -1 : 1;
      }
    }
    a.segment.remove_prefix(common);
    b.segment.remove_prefix(common);
  }
}

bool PinyinReadingTable::offer(const Entry& entry) {
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
  std::size_t s = slot_hash(entry.hash) & mask;
  for (; slots_[s] != 0; s = (s + 1) & mask) {
    const Entry& other = pending_[slots_[s] - 1];
    if (other.hash == entry.hash && compare(cursor_of(entry), cursor_of(other)) == 0) {
      return false;  // already formed; the position was not full before
    }
  }
  slots_[s] = static_cast<std::uint32_t>(pending_.size() + 1);
  used_slots_.push_back(static_cast<std::uint32_t>(s));
  pending_.push_back(entry);
  return pending_.size() >= max_paths_;
}

void PinyinReadingTable::finish_position(std::size_t position) {
  // pending_ is a series of sorted runs, one per reading tried: a reading
  // in front of a position's strings, taken in their order, keeps that
  // order. Merging the runs pairwise costs log(runs) comparisons per string
  // instead of the log(strings) of a sort.
  run_starts_.push_back(static_cast<std::uint32_t>(pending_.size()));
  order_.resize(pending_.size());
  std::iota(order_.begin(), order_.end(), 0u);
  auto less = [this](std::uint32_t a, std::uint32_t b) {
    return compare(cursor_of(pending_[a]), cursor_of(pending_[b])) < 0;
  };
  while (run_starts_.size() > 2) {
    merged_.resize(order_.size());
    std::size_t kept = 0;
    for (std::size_t r = 0; r + 1 < run_starts_.size(); r += 2) {
      const std::uint32_t begin = run_starts_[r];
      const std::uint32_t middle = run_starts_[r + 1];
      const std::uint32_t end = r + 2 < run_starts_.size() ? run_starts_[r + 2] : middle;
      std::merge(order_.begin() + begin, order_.begin() + middle, order_.begin() + middle,
                 order_.begin() + end, merged_.begin() + begin, less);
      run_starts_[kept++] = begin;
    }
    run_starts_[kept++] = static_cast<std::uint32_t>(order_.size());
    run_starts_.resize(kept);
    std::swap(order_, merged_);
  }
  positions_[position].first = entries_.size();
  positions_[position].count = static_cast<std::uint32_t>(pending_.size());
  for (std::uint32_t k : order_) entries_.push_back(pending_[k]);
  pending_.clear();
  run_starts_.clear();
  for (std::uint32_t s : used_slots_) slots_[s] = 0;
  used_slots_.clear();
}

void PinyinReadingTable::prepare_raw_runs() {
  const std::size_t n = char_count_;
  for (std::size_t p = n; p-- > 0;) {
    const ja::NextChar c = ja::next_char(text_, positions_[p].offset);
    positions_[p].run_end = is_direct_input_char(c.value) ? positions_[p + 1].run_end : p;
  }
  // A normal form is never longer than its text, so the arena never moves
  // once reserved and views into it stay valid.
  raw_arena_.reserve(text_.size());
  for (std::size_t start = 0; start < n;) {
    const std::size_t end = positions_[start].run_end;
    if (end == start) {
      ++start;
      continue;
    }
    // The normal form of the whole run. That of a later start inside it is
    // a suffix of it, except from the colon of a "u:" pair (or from white
    // space between the two): that colon then has no "u" before it.
    std::size_t last_u = kNone;  // the position that wrote a trailing "u"
    for (std::size_t p = start; p < end; ++p) {
      Position& position = positions_[p];
      position.raw_begin = raw_arena_.size();
      const ja::NextChar c = ja::next_char(text_, position.offset);
      if (ja::is_white_space(c.value)) continue;
      if (c.value == ':' && last_u != kNone) {
        raw_arena_.back() = 'v';
        for (std::size_t k = last_u + 1; k <= p; ++k) positions_[k].raw_colon_first = true;
        last_u = kNone;
        continue;
      }
      if (c.value >= 'A' && c.value <= 'Z') {
        raw_arena_ += static_cast<char>(c.value - 'A' + 'a');
      } else {
        raw_arena_.append(text_.substr(position.offset, c.size));
      }
      last_u = raw_arena_.back() == 'u' ? p : kNone;
    }
    const std::size_t arena_end = raw_arena_.size();
    std::size_t at = arena_end;
    std::uint64_t hash = 0;
    std::uint64_t power = 1;
    for (std::size_t p = end; p-- > start;) {
      Position& position = positions_[p];
      for (; at > position.raw_begin; --at) {
        hash = hash * kHashBase + (static_cast<unsigned char>(raw_arena_[at - 1]) + 1u);
        power *= kHashBase;
      }
      position.raw_end = arena_end;
      position.raw_hash = hash;
      position.raw_power = power;
    }
    start = end;
  }
}

Status<ZhLoadError> PinyinReadingTable::build(const ZhReadingIndex& index, std::string_view text,
                                              const ReadingOptions& options,
                                              bool allow_raw_runs) {
  text_ = text;
  char_count_ = 0;
  string_count_ = 0;
  positions_.clear();
  entries_.clear();
  raw_arena_.clear();
  LUMRA_TRY(validate_reading_options(options));
  max_paths_ = options.max_paths;
  if (text.empty() || options.max_span_chars == 0 || options.max_paths == 0) return Unit{};

  for (std::size_t at = 0; at < text.size(); at += ja::next_char(text, at).size) {
    positions_.push_back({.offset = at});
  }
  positions_.push_back({.offset = text.size()});
  const std::size_t n = char_count_ = positions_.size() - 1;
  positions_[n].count = 1;  // the empty string
  positions_[n].run_end = n;
  if (allow_raw_runs) prepare_raw_runs();

  for (std::size_t i = n; i-- > 0;) {
    candidates_.clear();
    candidate_readings_.clear();
    const std::size_t last = std::min<std::size_t>(n, i + options.max_span_chars);
    for (std::size_t j = i + 1; j <= last; ++j) {
      if (positions_[j].count == 0) continue;  // cannot be read on from there
      const std::string_view span =
          text.substr(positions_[i].offset, positions_[j].offset - positions_[i].offset);
      LUMRA_TRY_ASSIGN(const bool found, index.lookup_readings(span, found_));
      if (!found) continue;
      if (options.longest_only) {
        candidates_.clear();
        candidate_readings_.clear();
      }
      const std::size_t used = ja::readings_used(options, found_.size());
      candidates_.push_back({j, candidate_readings_.size(), used});
      candidate_readings_.insert(candidate_readings_.end(), found_.begin(),
                                 found_.begin() + static_cast<std::ptrdiff_t>(used));
    }

    bool full = false;
    for (std::size_t c = 0; c < candidates_.size() && !full; ++c) {
      const Candidate& candidate = candidates_[c];
      const std::uint32_t tails = positions_[candidate.end].count;
      for (std::size_t r = 0; r < candidate.reading_count && !full; ++r) {
        run_starts_.push_back(static_cast<std::uint32_t>(pending_.size()));
        const std::string_view reading = candidate_readings_[candidate.first_reading + r];
        for (std::uint32_t q = 0; q < tails && !full; ++q) {
          full = offer({reading, prepend_hash(reading, hash_of(candidate.end, q)), candidate.end,
                        q, false});
        }
      }
    }
    if (allow_raw_runs && !full) {
      // Only the whole rest of the run is offered, never a shorter part.
      const Position& position = positions_[i];
      const std::size_t end = position.run_end;
      if (end > i && positions_[end].count > 0) {
        const std::string_view run(raw_arena_.data() + position.raw_begin,
                                   position.raw_end - position.raw_begin);
        run_starts_.push_back(static_cast<std::uint32_t>(pending_.size()));
        for (std::uint32_t q = 0; q < positions_[end].count && !full; ++q) {
          std::uint64_t hash = position.raw_hash + position.raw_power * hash_of(end, q);
          if (position.raw_colon_first) hash = prepend_hash(kColon, hash);
          full = offer({run, hash, end, q, position.raw_colon_first});
        }
      }
    }
    finish_position(i);
  }
  string_count_ = positions_[0].count;
  return Unit{};
}

template <class Visit>
void PinyinReadingTable::for_each_piece(std::size_t k, Visit&& visit) const {
  const Entry* entry = &entries_[positions_[0].first + k];
  for (;;) {
    if (entry->colon_first) visit(kColon);
    visit(entry->reading);
    if (entry->end == char_count_) return;
    entry = &entries_[positions_[entry->end].first + entry->rest];
  }
}

void PinyinReadingTable::append_string(std::size_t k, std::string& out) const {
  for_each_piece(k, [&out](std::string_view piece) { out += piece; });
}

void PinyinReadingTable::append_strings(ja::TextList& out) const {
  std::string text;
  for (std::size_t k = 0; k < string_count_; ++k) {
    text.clear();
    append_string(k, text);
    out.push_back(text);
  }
}

Result<ja::TextList, ZhLoadError> segment_pinyin(const ZhReadingIndex& index,
                                                  std::string_view text,
                                                  const ReadingOptions& options,
                                                  bool allow_raw_runs) {
  PinyinReadingTable table;
  LUMRA_TRY(table.build(index, text, options, allow_raw_runs));
  ja::TextList strings;
  table.append_strings(strings);
  return strings;
}

}  // namespace lumra::zh
