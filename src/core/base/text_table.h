// TextTable: texts kept end to end in one buffer, and views of runs of them.
//
// Thousands of short texts held one object each cost an allocation and a
// fresh stretch of memory apiece, and a pass over all of them reads one
// object per text; kept end to end they cost a few allocations in all and
// are read as one compact stretch. Callers read them through TextTableView,
// which indexes like a span of Symbols and cuts into runs without copying.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "core/base/symbols.h"

namespace lumra {

class TextTableView {
 public:
  TextTableView() = default;
  // `starts` holds count + 1 offsets into `symbols`: text i is
  // symbols[starts[i], starts[i + 1]).
  TextTableView(const Symbol* symbols, const std::size_t* starts, std::size_t count)
      : symbols_(symbols), starts_(starts), count_(count) {}

  std::size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  Symbols operator[](std::size_t i) const {
    return {symbols_ + starts_[i], starts_[i + 1] - starts_[i]};
  }
  // Texts [first, first + count).
  TextTableView subspan(std::size_t first, std::size_t count) const {
    return {symbols_, starts_ + first, count};
  }

 private:
  const Symbol* symbols_ = nullptr;
  const std::size_t* starts_ = &kNoStarts;
  std::size_t count_ = 0;
  static constexpr std::size_t kNoStarts = 0;
};

namespace text_table_detail {

// Leaves new elements uninitialised where std::allocator would zero them:
// every symbol a table grows by is written by the caller at once, and
// zeroing a large table first would cost as much as filling it.
template <class T>
struct UninitializedAllocator : std::allocator<T> {
  template <class U>
  struct rebind {
    using other = UninitializedAllocator<U>;
  };
  UninitializedAllocator() = default;
  template <class U>
  UninitializedAllocator(const UninitializedAllocator<U>&) noexcept {}  // NOLINT: rebinding
  template <class U>
  void construct(U* place) noexcept {
    ::new (static_cast<void*>(place)) U;
  }
  template <class U, class... Args>
  void construct(U* place, Args&&... args) {
    ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
  }
};

}  // namespace text_table_detail

class TextTable {
 public:
  TextTable() { starts_.push_back(0); }

  // A table holding copies of `texts`, any list whose items convert to
  // Symbols.
  template <class List>
  static TextTable of(const List& texts) {
    TextTable table;
    for (const auto& text : texts) {
      const Symbols symbols(text);
      Symbol* out = table.append(symbols.size());
      for (std::size_t i = 0; i < symbols.size(); ++i) out[i] = symbols[i];
    }
    return table;
  }

  void clear() {
    symbols_.clear();
    starts_.assign(1, 0);
  }
  void reserve_texts(std::size_t texts) { starts_.reserve(texts + 1); }
  void reserve_symbols(std::size_t symbols) { symbols_.reserve(symbols); }

  // Adds a text of `length` symbols and returns where to write them, which
  // the caller must do before reading it; valid until the next append.
  Symbol* append(std::size_t length) {
    const std::size_t start = symbols_.size();
    symbols_.resize(start + length);
    starts_.push_back(symbols_.size());
    return symbols_.data() + start;
  }

  std::size_t size() const { return starts_.size() - 1; }
  bool empty() const { return size() == 0; }
  Symbols operator[](std::size_t i) const { return view()[i]; }
  TextTableView view() const { return {symbols_.data(), starts_.data(), size()}; }
  operator TextTableView() const { return view(); }  // NOLINT: a view, like std::span

 private:
  std::vector<Symbol, text_table_detail::UninitializedAllocator<Symbol>> symbols_;
  std::vector<std::size_t> starts_;  // one more than there are texts
};

}  // namespace lumra
