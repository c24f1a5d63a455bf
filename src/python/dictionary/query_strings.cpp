#include "python/dictionary/query_strings.h"

#include "ja/text/next_char.h"

namespace lumra::python {

QueryStrings::QueryStrings(const ja::TextList& strings) {
  // A text has no more characters than bytes, so the buffer never moves
  // while the views are taken.
  symbols_.reserve(strings.total_bytes());
  texts_.reserve(strings.size());
  for (std::string_view text : strings) {
    const std::size_t begin = symbols_.size();
    for (std::size_t at = 0; at < text.size();) {
      const ja::NextChar c = ja::next_char(text, at);
      symbols_.push_back(c.value);
      at += c.size;
    }
    texts_.emplace_back(symbols_.data() + begin, symbols_.size() - begin);
  }
}

}  // namespace lumra::python
