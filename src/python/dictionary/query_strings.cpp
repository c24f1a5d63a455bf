#include "python/dictionary/query_strings.h"

#include "core/base/utf8.h"

namespace lumra::python {

QueryStrings::QueryStrings(const ja::TextList& strings) {
  // A text has no more characters than bytes, so the buffer never moves
  // while the views are taken.
  symbols_.resize(strings.total_bytes());
  texts_.reserve(strings.size());
  Symbol* out = symbols_.data();
  for (std::string_view text : strings) {
    Symbol* const begin = out;
    std::size_t at = 0;
    // Romaji is ASCII but for the odd punctuation: a plain widening loop,
    // which the compiler vectorises, until the first byte that is not.
    while (at < text.size() && static_cast<unsigned char>(text[at]) < 0x80) {
      *out++ = static_cast<unsigned char>(text[at++]);
    }
    while (at < text.size()) {
      const NextChar c = next_char(text, at);
      *out++ = c.value;
      at += c.size;
    }
    texts_.emplace_back(begin, static_cast<std::size_t>(out - begin));
  }
}

}  // namespace lumra::python
