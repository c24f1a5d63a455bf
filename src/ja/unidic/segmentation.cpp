#include "ja/unidic/segmentation.h"

#include <algorithm>

#include "core/base/interruption.h"
#include "ja/reading/validate_reading_options.h"
#include "ja/romaji/char_classes.h"
#include "ja/text/next_char.h"

namespace lumra::ja {

namespace {

// A lookup of a span, besides reading the span's bytes, probes a hash table
// or walks an FST: about as much work as 64 table cells.
constexpr std::uint64_t kLookupWork = 64;

}  // namespace

Status<UnidicLoadError> ReadingPathTable::build(const UnidicReadingIndex& index,
                                                std::string_view text,
                                                const ReadingOptions& options, bool fallback) {
  text_ = text;
  path_count_ = 0;
  positions_.clear();
  paths_.reset(0, 1);
  LUMRA_TRY(validate_reading_options(options));
  if (options.max_span_chars == 0 || text.empty() || options.max_paths == 0) return Unit{};

  // run_end first holds whether the character reads as romaji on its own;
  // the backward pass turns that into the end of the readable run.
  for (std::size_t at = 0; at < text.size();) {
    const NextChar c = next_char(text, at);
    positions_.push_back({.offset = at, .run_end = fallback && is_romaji_readable(c.value)});
    at += c.size;
  }
  positions_.push_back({.offset = text.size()});
  const std::size_t n = positions_.size() - 1;
  positions_[n].run_end = n;
  for (std::size_t i = n; i-- > 0;) {
    positions_[i].run_end = positions_[i].run_end ? positions_[i + 1].run_end : i;
  }
  // Validated options keep max_paths far below 2^32.
  paths_.reset(n, static_cast<std::uint32_t>(options.max_paths));

  const bool keep_all = fallback || !options.longest_only;
  const bool may_fold = may_fold_surface(text);
  // A long text with max_paths paths at every position takes seconds.
  // Interrupted (core/base/interruption.h), the table is left without
  // paths, which its callers treat as any text that does not segment; the
  // installer of the source discards what they make of it.
  InterruptionPoll poll;
  for (std::size_t i = n; i-- > 0;) {
    if (poll.stop_after(64 * (std::uint64_t{paths_.count(i + 1)} + 1))) return Unit{};
    candidates_.clear();
    candidate_readings_.clear();
    const std::size_t last = std::min<std::size_t>(n, i + options.max_span_chars);
    // The spans from here extend one another: the index walks them on a
    // character at a time instead of looking each up from its start.
    UnidicReadingIndex::SurfaceWalk walk = index.start_surface_walk();
    for (std::size_t j = i + 1; j <= last; ++j) {
      index.extend_surface_walk(walk, surface(j - 1, j));
      if (paths_.count(j) == 0) continue;  // cannot reach the end from there
      const std::string_view span = surface(i, j);
      // Lookups, not the paths, are the work at a position that has few
      // paths but up to max_span_chars spans to look up, each hashed whole.
      if (poll.stop_after(kLookupWork + span.size())) return Unit{};
      LUMRA_TRY_ASSIGN(const bool found, may_fold ? index.lookup_folded_walked(walk, span, found_)
                                                  : index.lookup_walked(walk, span, found_));
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
      for (std::size_t r = 0; r < candidate.reading_count && !full; ++r) {
        const std::string_view reading = candidate_readings_[candidate.first_reading + r];
        full = paths_.offer_run({reading, {}}, candidate.end, false);
      }
    }
    if (fallback && !full) {
      // Only the longest readable run is offered, never a shorter prefix.
      const std::size_t e = positions_[i].run_end;
      if (e > i && paths_.count(e) > 0) paths_.offer_run({surface(i, e), {}}, e, true);
    }
    paths_.finish_position(i);
  }
  path_count_ = paths_.count(0);
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
