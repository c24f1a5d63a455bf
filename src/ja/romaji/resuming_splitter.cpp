#include "ja/romaji/resuming_splitter.h"

#include <algorithm>

#include "ja/romaji/split_units.h"

namespace lumra::ja {

Status<JapaneseDistanceError> ResumingSplitter::split(std::string_view text,
                                                      bool allow_punctuation) {
  std::size_t shared = 0;
  if (allow_punctuation == allow_punctuation_) {
    const std::size_t most = std::min(text.size(), text_.size());
    shared = static_cast<std::size_t>(
        std::mismatch(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(most),
                      text_.begin())
            .first -
        text.begin());
  }
  // Reads end in increasing order, unit after unit.
  std::size_t kept = 0;
  while (kept < extents_.size() && extents_[kept].looked_end <= shared) ++kept;
  units_.resize(kept);
  extents_.resize(kept);
  text_.assign(text);
  allow_punctuation_ = allow_punctuation;

  std::size_t at = kept == 0 ? 0 : extents_.back().end;
  std::size_t chars = kept == 0 ? 0 : extents_.back().end_chars;
  while (at < text.size()) {
    const UnitAt step = romaji_unit_at(text, at, allow_punctuation);
    if (!step.ok) {
      // What was split so far stays for the next text.
      return Fail(distance_errors::UnsupportedCharacter{step.unsupported, chars});
    }
    at = step.end;
    chars += step.chars;
    units_.push_back(step.unit);
    extents_.push_back({at, chars, step.looked_end});
  }
  return Unit{};
}

}  // namespace lumra::ja
