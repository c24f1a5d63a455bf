// ResumingSplitter: split_romaji_units over a series of texts that tend to
// begin alike, such as a text's reading texts in byte order.
//
// A unit depends only on the bytes it read (its own character and, for
// kana, the next one), so the units of one text whose reads lie within the
// bytes it shares with the text before are that text's units too. Each
// text is split again only from the first unit that read past them.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/result.h"
#include "ja/japanese_distance_error.h"
#include "ja/romaji/romaji_unit.h"

namespace lumra::ja {

class ResumingSplitter {
 public:
  // The units of `text` (units()), or the error of split_romaji_units(text,
  // allow_punctuation); the same for every text whatever came before.
  Status<JapaneseDistanceError> split(std::string_view text, bool allow_punctuation);

  // The units of the last split that succeeded.
  std::span<const RomajiUnit> units() const { return units_; }

 private:
  struct Extent {
    std::size_t end;         // byte after the unit
    std::size_t end_chars;   // characters up to there
    std::size_t looked_end;  // see UnitAt
  };

  std::string text_;  // the text last split
  bool allow_punctuation_ = false;
  // The units of text_ as far as its split went.
  std::vector<RomajiUnit> units_;
  std::vector<Extent> extents_;
};

}  // namespace lumra::ja
