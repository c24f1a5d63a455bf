// A growable array whose contents are never initialised for the caller.
//
// The lattice tables are written in full before they are read, so the
// zero-fill that std::vector performs on growth would be pure cost: for a
// table of a few hundred kilobytes it is a noticeable share of a search,
// and a fresh workspace per call pays it every time.
#pragma once

#include <cstddef>
#include <memory>
#include <type_traits>

namespace lumra {

template <class T>
class ScratchArray {
  static_assert(std::is_trivially_default_constructible_v<T> &&
                std::is_trivially_destructible_v<T>);

 public:
  // At least `size` elements of unspecified value; earlier contents are
  // not kept when the array has to grow.
  T* reserve(std::size_t size) {
    if (size > capacity_) {
      data_.reset();  // release first, so old and new never coexist
      data_.reset(new T[size]);
      capacity_ = size;
    }
    return data_.get();
  }

  std::size_t reserved_bytes() const { return capacity_ * sizeof(T); }

 private:
  std::unique_ptr<T[]> data_;
  std::size_t capacity_ = 0;
};

}  // namespace lumra
