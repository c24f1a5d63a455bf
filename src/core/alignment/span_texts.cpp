#include "core/alignment/span_texts.h"

#include "core/base/utf8.h"

namespace lumra {

SpanTexts::SpanTexts(std::string_view text) : text_(text) {
  symbols_.reserve(text.size());
  boundaries_.reserve(text.size() + 1);
  append_utf8(text, symbols_, &boundaries_);
  boundaries_.push_back(text.size());
}

}  // namespace lumra
