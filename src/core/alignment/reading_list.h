// ReadingList: the reading strings of one text, as scalar values.
//
// A partial alignment by readings converts thousands of spans, each into a
// handful of short reading strings. They are kept end to end in one buffer
// that is refilled for every span, so that after the first few spans the
// decoding allocates nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/base/symbols.h"

namespace lumra {

class ReadingList {
 public:
  std::size_t size() const { return ends_.size(); }
  bool empty() const { return ends_.empty(); }
  Symbols operator[](std::size_t i) const {
    const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
    return Symbols(symbols_).subspan(begin, ends_[i] - begin);
  }
  // The length in scalar values of the longest reading, 0 for none.
  std::uint64_t longest() const;

  void clear() {
    symbols_.clear();
    ends_.clear();
  }
  // Adds one reading written in UTF-8.
  void push_back(std::string_view utf8);

  // Replaces the list with `texts`, any range of UTF-8 strings (anything
  // that converts to std::string_view).
  template <class Texts>
  void assign(const Texts& texts) {
    clear();
    for (auto&& text : texts) push_back(std::string_view(text));
  }

 private:
  std::vector<Symbol> symbols_;
  std::vector<std::size_t> ends_;
};

}  // namespace lumra
