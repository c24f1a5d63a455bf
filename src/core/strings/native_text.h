// Lengths and common affixes of texts read in the caller's own storage.
//
// A caller holding texts as code units of 1, 2 or 4 bytes (as CPython keeps
// a str, by the largest code point it holds) can learn what the lengths and
// the common prefix and suffix settle before it widens anything into
// symbols: with a bound, a length difference beyond it settles a distance
// as exceeded, and a text that is all prefix and suffix of the other settles
// it exactly. Otherwise only the middles need widening: neither the
// Levenshtein nor the restricted Damerau distance changes when a common
// prefix or suffix is removed, so the metric of the middles is the metric
// of the texts. Every answer here is the one strip_common_affixes and the
// metrics give on the widened texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "core/base/symbols.h"

namespace lumra {

// `length` code units of `width` bytes each (1, 2 or 4), each the code
// point itself.
struct NativeText {
  const void* units;
  std::size_t length;
  unsigned width;

  Symbol operator[](std::size_t i) const {
    if (width == 1) return static_cast<const std::uint8_t*>(units)[i];
    if (width == 2) return static_cast<const std::uint16_t*>(units)[i];
    return static_cast<const std::uint32_t*>(units)[i];
  }
};

// Whether no unit is a surrogate (U+D800..U+DFFF), which a text of scalar
// values cannot hold; 1-byte units never are.
bool free_of_surrogates(NativeText text);

// The longest common prefix, and then the longest common suffix of what is
// left, so that the two never overlap in either text: strip_common_affixes
// leaves left[prefix, left.length - suffix) and the same of right.
struct CommonAffixes {
  std::size_t prefix;
  std::size_t suffix;
};

CommonAffixes common_affixes(NativeText left, NativeText right);

// What the lengths and the common affixes settle about the edit distance
// (Levenshtein or restricted Damerau) of two texts, with an optional bound.
struct EarlySettlement {
  enum class Kind {
    kBeyondBound,  // the length difference alone exceeds the bound
    kDistance,     // one text is all common prefix and suffix: `distance`
    kMiddles,      // the metric of the middles left by `affixes` decides
  };
  Kind kind;
  std::uint64_t distance;  // kDistance: the exact distance, bound or not
  CommonAffixes affixes;   // kDistance and kMiddles
};

// Reads the texts only as far as their lengths and affixes go; the length
// difference is checked before any symbol is read.
EarlySettlement settle_early(NativeText left, NativeText right,
                             std::optional<std::uint64_t> bound);

}  // namespace lumra
