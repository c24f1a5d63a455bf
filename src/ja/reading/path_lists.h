// PathLists: the variant lists of one reading path and the size of their
// expansion, made as the string form makes them before writing a string.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "ja/romaji/expansion.h"
#include "ja/romaji/expansion_size.h"
#include "ja/romaji/romaji_unit.h"
#include "ja/romaji/variant_lists.h"
#include "ja/unidic/segmentation.h"

namespace lumra::ja {

// What the string form makes of a path, in the order it checks.
enum class PathListKind : std::uint8_t {
  kTooLong,      // its readings hold more than max_input_chars characters
  kUnspellable,  // a reading does not split, or a unit has no spelling
  kOverLimits,   // its expansion passes max_paths or max_symbols
  kSpelled,      // within every limit
};

// One path at a time, the buffers kept from one to the next.
class PathLists {
 public:
  explicit PathLists(const RomajiExpansionLimits& limits) : limits_(limits) {}

  // Makes the lists of the path of `segments`, each split on its own (raw
  // ones with punctuation allowed) and their units joined.
  PathListKind make(std::span<const ReadingSegment> segments);

  // The lists, when kOverLimits or kSpelled.
  const UnitVariantLists& lists() const { return lists_; }
  // The size of their expansion, when kSpelled.
  const ExpansionSize& size() const { return size_; }

 private:
  RomajiExpansionLimits limits_;
  std::vector<RomajiUnit> units_;
  UnitVariantLists lists_;
  ExpansionSize size_{};
};

}  // namespace lumra::ja
