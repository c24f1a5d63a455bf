#include "ja/reading/path_lists.h"

#include "core/base/utf8.h"
#include "ja/romaji/split_units.h"

namespace lumra::ja {

PathListKind PathLists::make(std::span<const ReadingSegment> segments) {
  std::uint64_t chars = 0;
  for (const ReadingSegment& segment : segments) chars += char_count(segment.reading);
  if (chars > limits_.max_input_chars) return PathListKind::kTooLong;
  units_.clear();
  for (const ReadingSegment& segment : segments) {
    if (!append_romaji_units(segment.reading, segment.raw, units_).ok()) {
      return PathListKind::kUnspellable;
    }
  }
  if (!fill_unit_variant_lists(units_, lists_).ok()) return PathListKind::kUnspellable;
  size_ = expansion_size(lists_, limits_.max_paths, limits_.max_symbols);
  return size_.within_limits ? PathListKind::kSpelled : PathListKind::kOverLimits;
}

}  // namespace lumra::ja
