// Symbols: the unit every metric counts.
//
// A text is compared as the sequence of its Unicode scalar values, one
// 32-bit symbol each; lengths, positions and limits all count symbols.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>

namespace lumra {

using Symbol = std::uint32_t;
using Symbols = std::span<const Symbol>;

// An owned symbol sequence that keeps short texts inline, so that converting
// a typical word or name costs no heap allocation.
class SymbolString {
 public:
  static constexpr std::size_t kInlineCapacity = 48;

  // User-provided, so that value-initialising one does not clear the
  // inline buffer first.
  SymbolString() noexcept {}
  explicit SymbolString(Symbols symbols) { assign(symbols.data(), symbols.size()); }
  SymbolString(const SymbolString& other) { assign(other.data(), other.size()); }
  SymbolString& operator=(const SymbolString& other) {
    if (this != &other) assign(other.data(), other.size());
    return *this;
  }
  SymbolString(SymbolString&& other) noexcept { take(other); }
  SymbolString& operator=(SymbolString&& other) noexcept {
    if (this != &other) take(other);
    return *this;
  }

  // Makes room for `size` symbols and returns the buffer to fill; the
  // previous contents are discarded.
  Symbol* reset(std::size_t size) {
    if (size > kInlineCapacity) {
      if (!heap_ || capacity_ < size) {
        heap_ = std::make_unique_for_overwrite<Symbol[]>(size);  // filled by the caller
        capacity_ = size;
      }
    } else {
      heap_.reset();
      capacity_ = kInlineCapacity;
    }
    size_ = size;
    return data();
  }

  Symbol* data() { return heap_ ? heap_.get() : inline_; }
  const Symbol* data() const { return heap_ ? heap_.get() : inline_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  Symbol operator[](std::size_t i) const { return data()[i]; }
  Symbols view() const { return {data(), size_}; }
  operator Symbols() const { return view(); }

 private:
  void assign(const Symbol* symbols, std::size_t size) {
    Symbol* out = reset(size);
    if (size) std::memcpy(out, symbols, size * sizeof(Symbol));
  }
  void take(SymbolString& other) {
    heap_ = std::move(other.heap_);
    capacity_ = other.capacity_;
    size_ = other.size_;
    if (!heap_ && size_) std::memcpy(inline_, other.inline_, size_ * sizeof(Symbol));
    other.size_ = 0;
    other.capacity_ = kInlineCapacity;
  }

  std::unique_ptr<Symbol[]> heap_;
  std::size_t capacity_ = kInlineCapacity;
  std::size_t size_ = 0;
  Symbol inline_[kInlineCapacity];
};

}  // namespace lumra
