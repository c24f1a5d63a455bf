// A call's arguments, parsed and converted to owned data.
#pragma once

#include <cstdint>
#include <new>
#include <optional>
#include <variant>
#include <vector>

#include "core/base/symbols.h"
#include "python/parameters.h"
#include "python/python.h"

namespace lumra::python {

class Arguments {
 public:
  using Value = std::variant<std::monostate, SymbolString, std::vector<SymbolString>,
                             std::uint64_t, double, bool>;

  Arguments() = default;
  ~Arguments() { clear(); }
  Arguments(const Arguments&) = delete;
  Arguments& operator=(const Arguments&) = delete;

  // Parses the call against `signature` and converts every argument in
  // signature order, stopping at the first failure (Python error set).
  // Values of an earlier call are dropped first.
  bool convert(const Signature& signature, PyObject* const* args, Py_ssize_t nargsf,
               PyObject* kwnames);

  // A call site asking for the wrong kind gets std::bad_variant_access,
  // which the binding's guard turns into a Python exception.
  const SymbolString& text(std::size_t i) const { return std::get<SymbolString>(value(i)); }
  const std::vector<SymbolString>& texts(std::size_t i) const {
    return std::get<std::vector<SymbolString>>(value(i));
  }
  std::uint64_t count(std::size_t i) const { return std::get<std::uint64_t>(value(i)); }
  std::optional<std::uint64_t> optional_count(std::size_t i) const {
    if (const auto* v = std::get_if<std::uint64_t>(&value(i))) return *v;
    return std::nullopt;
  }
  std::optional<double> optional_real(std::size_t i) const {
    if (const auto* v = std::get_if<double>(&value(i))) return *v;
    return std::nullopt;
  }
  std::optional<bool> optional_flag(std::size_t i) const {
    if (const auto* v = std::get_if<bool>(&value(i))) return *v;
    return std::nullopt;
  }

 private:
  // Each value is constructed in place as its argument is converted, as the
  // alternative it will hold. Default-constructed variants would have their
  // whole storage, well over a kilobyte here, cleared on every call.
  struct alignas(Value) Slot {
    unsigned char bytes[sizeof(Value)];
  };

  void clear() {
    for (std::size_t i = 0; i < constructed_; ++i) value(i).~Value();
    constructed_ = 0;
  }

  template <class T>
  T& construct(std::size_t i) {
    Value* made = new (&slots_[i]) Value(std::in_place_type<T>);
    constructed_ = i + 1;
    return *std::get_if<T>(made);
  }
  Value& value(std::size_t i) { return *std::launder(reinterpret_cast<Value*>(&slots_[i])); }
  const Value& value(std::size_t i) const {
    return *std::launder(reinterpret_cast<const Value*>(&slots_[i]));
  }

  Slot slots_[kMaxParameters];
  std::size_t constructed_ = 0;
};

}  // namespace lumra::python
