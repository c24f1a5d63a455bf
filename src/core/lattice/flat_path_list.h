// FlatPathList: a list of paths kept end to end in one buffer.
//
// Thousands of short paths held one vector each cost an allocation and a
// fresh stretch of memory apiece; read into one buffer, they cost a few
// allocations in all, and the path metrics read them through PathListView
// as they would any list.
#pragma once

#include <cstddef>
#include <vector>

#include "core/base/symbols.h"

namespace lumra {

class FlatPathList {
 public:
  void clear() {
    symbols_.clear();
    ends_.clear();
  }
  void reserve_paths(std::size_t paths) { ends_.reserve(paths); }

  // Adds a path of `length` symbols and returns where to write them; valid
  // until the next append.
  Symbol* append(std::size_t length) {
    const std::size_t start = symbols_.size();
    symbols_.resize(start + length);
    ends_.push_back(symbols_.size());
    return symbols_.data() + start;
  }

  std::size_t size() const { return ends_.size(); }
  Symbols operator[](std::size_t i) const {
    const std::size_t start = i == 0 ? 0 : ends_[i - 1];
    return Symbols(symbols_.data() + start, ends_[i] - start);
  }

 private:
  std::vector<Symbol> symbols_;
  std::vector<std::size_t> ends_;
};

}  // namespace lumra
