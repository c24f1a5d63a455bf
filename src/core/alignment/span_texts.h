// SpanTexts: a UTF-8 text cut into spans by character positions.
//
// Alignments count positions in scalar values, while the readings of a
// span are looked up from its UTF-8 text. SpanTexts decodes the text once
// and keeps the byte offset of every character boundary (0, each
// character's start after the first, and the byte length), so that the
// text of a span is a view of the original bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/base/symbols.h"

namespace lumra {

class SpanTexts {
 public:
  // `text` must outlive the object.
  explicit SpanTexts(std::string_view text);

  Symbols symbols() const { return symbols_; }
  // The bytes of the characters start .. end - 1; 0 <= start <= end <= the
  // number of characters.
  std::string_view text(std::uint64_t start, std::uint64_t end) const {
    return text_.substr(boundaries_[start], boundaries_[end] - boundaries_[start]);
  }

 private:
  std::string_view text_;
  std::vector<Symbol> symbols_;
  std::vector<std::size_t> boundaries_;
};

}  // namespace lumra
