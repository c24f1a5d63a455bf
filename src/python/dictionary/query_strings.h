// A text's reading strings as scalar values, decoded once per call so that
// every pair of strings is compared without decoding again.
#pragma once

#include <vector>

#include "core/base/symbols.h"
#include "core/lattice/path_list_view.h"
#include "ja/romaji/text_list.h"

namespace lumra::python {

class QueryStrings {
 public:
  explicit QueryStrings(const ja::TextList& strings);

  // Views into this object's own buffer, which moves along with it.
  PathListView view() const { return texts_; }
  std::size_t size() const { return texts_.size(); }
  std::size_t memory_bytes() const {
    return symbols_.capacity() * sizeof(Symbol) + texts_.capacity() * sizeof(Symbols);
  }

 private:
  std::vector<Symbol> symbols_;
  std::vector<Symbols> texts_;
};

}  // namespace lumra::python
