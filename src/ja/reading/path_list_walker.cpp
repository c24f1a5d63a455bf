#include "ja/reading/path_list_walker.h"

#include <algorithm>
#include <array>

#include "core/base/utf8.h"
#include "ja/romaji/split_units.h"

namespace lumra::ja {

PathListWalker::PathListWalker(const ReadingPathTable& table, const RomajiExpansionLimits& limits)
    : paths_(table, false),
      limits_(limits),
      forms_(paths_.run_count()),
      meter_(limits.max_paths, limits.max_symbols) {}

const PathListWalker::SegmentForm& PathListWalker::form(std::size_t k) {
  SegmentForm& form = forms_[paths_.run(k)];
  if (form.made) return form;
  form.made = true;
  const ReadingSegment& segment = paths_.segments()[k];
  form.chars = char_count(segment.reading);
  units_.clear();
  if (!append_romaji_units(segment.reading, segment.raw, units_).ok()) return form;
  scratch_lists_.clear();
  scratch_ends_.clear();
  if (!extend_unit_variant_lists(units_, scratch_lists_, &scratch_ends_).ok()) return form;
  const std::size_t n = units_.size();
  std::size_t count = scratch_lists_.size();
  if (n > 0) {
    form.first_unit = units_.front();
    // The last list waits for the next segment when it is the last unit's
    // alone and that unit looks ahead.
    const std::size_t last_start = count >= 2 ? scratch_ends_[count - 2] : 0;
    if (last_start == n - 1 && list_looks_ahead(units_[n - 1])) {
      form.last_looks_ahead = true;
      form.last_unit = units_[n - 1];
      --count;
    }
  }
  form.unit_count = n;
  form.first_list = forms_lists_.size();
  forms_lists_.insert(forms_lists_.end(), scratch_lists_.begin(),
                      scratch_lists_.begin() + static_cast<std::ptrdiff_t>(count));
  form.list_end = forms_lists_.size();
  form.spellable = true;
  return form;
}

std::size_t PathListWalker::append_list_at(const RomajiUnit& unit, const RomajiUnit* next) {
  const std::array<RomajiUnit, 2> units = {unit, next != nullptr ? *next : unit};
  scratch_lists_.clear();
  scratch_ends_.clear();
  const std::span<const RomajiUnit> span(units.data(), next != nullptr ? 2 : 1);
  if (!extend_unit_variant_lists(span, scratch_lists_, &scratch_ends_).ok()) return 0;
  lists_.push_back(scratch_lists_.front());
  return scratch_ends_.front();
}

void PathListWalker::truncate_lists(std::size_t size) {
  if (size >= lists_.size()) return;
  lists_.resize(size);
  as_measured_ = std::min(as_measured_, size);
  unchanged_since_spelled_ = std::min(unchanged_since_spelled_, size);
}

bool PathListWalker::join(std::size_t k) {
  const std::size_t n = paths_.segments().size();
  std::optional<RomajiUnit> waiting = k == 0 ? std::nullopt : joined_[k - 1].waiting;
  for (; k < n; ++k) {
    const SegmentForm& segment = form(k);
    if (!segment.spellable) return false;
    std::size_t from = segment.first_list;
    if (waiting && segment.unit_count > 0) {
      const std::size_t took = append_list_at(*waiting, &segment.first_unit);
      if (took == 0) return false;
      // The unit before took this segment's first unit into its list, and
      // that unit's own list is the first of the segment's.
      if (took == 2) ++from;
      waiting.reset();
    }
    lists_.insert(lists_.end(), forms_lists_.begin() + static_cast<std::ptrdiff_t>(from),
                  forms_lists_.begin() + static_cast<std::ptrdiff_t>(segment.list_end));
    if (segment.last_looks_ahead) waiting = segment.last_unit;
    joined_[k].list_end = lists_.size();
    joined_[k].waiting = waiting;
    joined_lists_ = k + 1;
  }
  return !waiting || append_list_at(*waiting, nullptr) != 0;
}

bool PathListWalker::next() {
  if (!paths_.next()) return false;
  const std::size_t n = paths_.segments().size();
  const std::size_t k = std::min(paths_.same_segments(), joined_.size());
  joined_.resize(k);
  std::uint64_t chars = k == 0 ? 0 : joined_[k - 1].chars;
  for (std::size_t s = k; s < n; ++s) {
    chars += form(s).chars;
    joined_.push_back({chars, 0, std::nullopt});
  }
  joined_lists_ = std::min(joined_lists_, k);
  if (chars > limits_.max_input_chars) {
    kind_ = Kind::kTooLong;
    return true;
  }
  truncate_lists(joined_lists_ == 0 ? 0 : joined_[joined_lists_ - 1].list_end);
  if (!join(joined_lists_)) {
    kind_ = Kind::kUnspellable;
    return true;
  }
  size_ = meter_.measure(lists_, as_measured_);
  as_measured_ = lists_.size();
  if (!size_.within_limits) {
    kind_ = Kind::kOverLimits;
    return true;
  }
  kind_ = Kind::kSpelled;
  as_last_spelled_ = unchanged_since_spelled_;
  unchanged_since_spelled_ = lists_.size();
  return true;
}

}  // namespace lumra::ja
