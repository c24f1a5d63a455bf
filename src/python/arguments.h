// A call's arguments, parsed and converted to owned data.
#pragma once

#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

#include "core/symbols.h"
#include "python/parameters.h"
#include "python/python.h"

namespace lumra::python {

class Arguments {
 public:
  using Value = std::variant<std::monostate, SymbolString, std::vector<SymbolString>,
                             std::uint64_t, double, bool>;

  // Parses the call against `signature` and converts every argument in
  // signature order, stopping at the first failure (Python error set).
  bool convert(const Signature& signature, PyObject* const* args, Py_ssize_t nargsf,
               PyObject* kwnames);

  const SymbolString& text(std::size_t i) const { return std::get<SymbolString>(values_[i]); }
  const std::vector<SymbolString>& texts(std::size_t i) const {
    return std::get<std::vector<SymbolString>>(values_[i]);
  }
  std::uint64_t count(std::size_t i) const { return std::get<std::uint64_t>(values_[i]); }
  std::optional<std::uint64_t> optional_count(std::size_t i) const {
    if (const auto* v = std::get_if<std::uint64_t>(&values_[i])) return *v;
    return std::nullopt;
  }
  std::optional<double> optional_real(std::size_t i) const {
    if (const auto* v = std::get_if<double>(&values_[i])) return *v;
    return std::nullopt;
  }
  std::optional<bool> optional_flag(std::size_t i) const {
    if (const auto* v = std::get_if<bool>(&values_[i])) return *v;
    return std::nullopt;
  }

 private:
  Value values_[kMaxParameters];
};

}  // namespace lumra::python
