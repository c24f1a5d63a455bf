// An owned reference to a Python object: released when its holder goes out
// of scope, whether the code in between returns early, fails or throws.
//
// Conversions and result builders hold references across calls that can fail
// (a Python call returning NULL, an allocation throwing std::bad_alloc). An
// OwnedRef makes every such path release what it holds without a matching
// Py_DECREF on each of them.
#pragma once

#include <utility>

#include "python/python.h"

namespace lumra::python {

class OwnedRef {
 public:
  OwnedRef() = default;
  // Takes over a new reference, or nullptr as returned by a failed call.
  explicit OwnedRef(PyObject* object) noexcept : object_(object) {}
  // Takes a new reference to an object borrowed from elsewhere.
  static OwnedRef borrowed(PyObject* object) noexcept { return OwnedRef(Py_XNewRef(object)); }

  OwnedRef(OwnedRef&& other) noexcept : object_(other.release()) {}
  OwnedRef& operator=(OwnedRef&& other) noexcept {
    reset(other.release());
    return *this;
  }
  OwnedRef(const OwnedRef&) = delete;
  OwnedRef& operator=(const OwnedRef&) = delete;
  ~OwnedRef() { Py_XDECREF(object_); }

  PyObject* get() const noexcept { return object_; }
  explicit operator bool() const noexcept { return object_ != nullptr; }

  // Hands the reference to the caller, e.g. to return it or to let a list
  // steal it.
  [[nodiscard]] PyObject* release() noexcept { return std::exchange(object_, nullptr); }
  void reset(PyObject* object = nullptr) noexcept {
    PyObject* old = std::exchange(object_, object);
    Py_XDECREF(old);
  }

 private:
  PyObject* object_ = nullptr;
};

}  // namespace lumra::python
