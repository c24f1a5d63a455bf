// PathListView: a read-only view of a list of symbol sequences.
//
// The builders and the path-list checks accept any contiguous container
// whose elements convert to Symbols (std::vector<SymbolString>,
// std::vector<std::vector<Symbol>>, std::vector<Symbols>, ...) without
// copying the paths or building a list of spans first, while their bodies
// stay out of line.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <ranges>
#include <type_traits>

#include "core/base/symbols.h"

namespace lumra {

class PathListView {
 public:
  template <class List>
    requires std::ranges::contiguous_range<const List> && std::ranges::sized_range<const List> &&
             std::is_convertible_v<std::ranges::range_reference_t<const List>, Symbols>
  PathListView(const List& list)  // NOLINT: implicit by design, like std::span
      : data_(std::ranges::data(list)),
        size_(std::ranges::size(list)),
        at_(&element<std::ranges::range_value_t<const List>>) {}

  template <class Path>
    requires std::is_convertible_v<const Path&, Symbols>
  PathListView(std::initializer_list<Path> list)  // only for the lifetime of the full expression
      : data_(list.begin()), size_(list.size()), at_(&element<Path>) {}

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  Symbols operator[](std::size_t i) const { return at_(data_, i); }

 private:
  template <class Path>
  static Symbols element(const void* data, std::size_t i) {
    return Symbols(static_cast<const Path*>(data)[i]);
  }

  const void* data_;
  std::size_t size_;
  Symbols (*at_)(const void*, std::size_t);
};

}  // namespace lumra
