#include "zh/reading/pinyin_segmentation.h"

#include <algorithm>

#include "core/base/interruption.h"
#include "ja/reading/reading_options.h"
#include "core/base/utf8.h"
#include "zh/reading/direct_input.h"

namespace lumra::zh {

namespace {

// A lookup of a span, besides reading the span's bytes, probes a hash table
// or walks an FST: about as much work as 64 table cells.
constexpr std::uint64_t kLookupWork = 64;

constexpr std::string_view kColon = ":";
constexpr std::size_t kNone = static_cast<std::size_t>(-1);

}  // namespace

void PinyinReadingTable::prepare_raw_runs() {
  const std::size_t n = positions_.size() - 1;
  for (std::size_t p = n; p-- > 0;) {
    const NextChar c = next_char(text_, positions_[p].offset);
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
      const NextChar c = next_char(text_, position.offset);
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
    for (std::size_t p = start; p < end; ++p) positions_[p].raw_end = arena_end;
    start = end;
  }
}

Status<ZhLoadError> PinyinReadingTable::build(const ZhReadingIndex& index, std::string_view text,
                                              const ReadingOptions& options,
                                              bool allow_raw_runs) {
  text_ = text;
  string_count_ = 0;
  positions_.clear();
  strings_.reset(0, 1);
  raw_arena_.clear();
  LUMRA_TRY(validate_reading_options(options));
  if (text.empty() || options.max_span_chars == 0 || options.max_paths == 0) return Unit{};

  for (std::size_t at = 0; at < text.size(); at += next_char(text, at).size) {
    positions_.push_back({.offset = at});
  }
  positions_.push_back({.offset = text.size()});
  const std::size_t n = positions_.size() - 1;
  positions_[n].run_end = n;
  if (allow_raw_runs) prepare_raw_runs();
  // Validated options keep max_paths far below 2^32.
  strings_.reset(n, static_cast<std::uint32_t>(options.max_paths));

  // A long text with max_paths strings at every position takes seconds.
  // Interrupted (core/base/interruption.h), the table is left without
  // strings, as for a text that cannot be read; the source's installer
  // discards what its callers make of that.
  InterruptionPoll poll;
  for (std::size_t i = n; i-- > 0;) {
    if (poll.stop_after(64 * (std::uint64_t{strings_.count(i + 1)} + 1))) return Unit{};
    candidates_.clear();
    candidate_readings_.clear();
    const std::size_t last = std::min<std::size_t>(n, i + options.max_span_chars);
    for (std::size_t j = i + 1; j <= last; ++j) {
      if (strings_.count(j) == 0) continue;  // cannot be read on from there
      const std::string_view span =
          text.substr(positions_[i].offset, positions_[j].offset - positions_[i].offset);
      // Lookups, not the strings, are the work at a position that has few
      // strings but up to max_span_chars spans to look up, each hashed whole.
      if (poll.stop_after(kLookupWork + span.size())) return Unit{};
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
      for (std::size_t r = 0; r < candidate.reading_count && !full; ++r) {
        const std::string_view reading = candidate_readings_[candidate.first_reading + r];
        full = strings_.offer_run({reading, {}}, candidate.end, false);
      }
    }
    if (allow_raw_runs && !full) {
      // Only the whole rest of the run is offered, never a shorter part.
      const Position& position = positions_[i];
      const std::size_t end = position.run_end;
      if (end > i && strings_.count(end) > 0) {
        const std::string_view run(raw_arena_.data() + position.raw_begin,
                                   position.raw_end - position.raw_begin);
        strings_.offer_run(position.raw_colon_first ? TailTable::Front{kColon, run}
                                                    : TailTable::Front{run, {}},
                           end, false);
      }
    }
    strings_.finish_position(i);
  }
  string_count_ = strings_.count(0);
  return Unit{};
}

void PinyinReadingTable::append_string(std::size_t k, std::string& out) const {
  strings_.for_each_step(0, static_cast<std::uint32_t>(k), [&out](const TailTable::Step& step) {
    out += step.front.first;
    out += step.front.then;
  });
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
