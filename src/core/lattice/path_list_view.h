// PathListView: a read-only view of a list of symbol sequences.
//
// The builders, the path-list checks and the path metrics accept any
// contiguous container whose elements convert to Symbols
// (std::vector<SymbolString>, std::vector<std::vector<Symbol>>,
// std::vector<Symbols>, ...), or any other sized list indexed by position,
// without copying the paths or building a list of spans first, while their
// bodies stay out of line.
#pragma once

#include <concepts>
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

  // A list that is not laid out contiguously (ChainPaths, for one) is
  // viewed through its own indexing.
  template <class List>
    requires(!std::ranges::contiguous_range<const List> && !std::same_as<List, PathListView>) &&
            requires(const List& list, std::size_t i) {
              { list.size() } -> std::convertible_to<std::size_t>;
              { list[i] } -> std::convertible_to<Symbols>;
            }
  PathListView(const List& list)  // NOLINT: implicit by design, like std::span
      : data_(&list), size_(list.size()), at_(&indexed<List>) {}

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

  template <class List>
  static Symbols indexed(const void* list, std::size_t i) {
    return (*static_cast<const List*>(list))[i];
  }

  const void* data_;
  std::size_t size_;
  Symbols (*at_)(const void*, std::size_t);
};

}  // namespace lumra
