#include "python/arguments.h"

#include "python/conversions.h"

namespace lumra::python {

namespace {

using Value = Arguments::Value;

// Converts straight into the slot, so a text is copied once, from the
// Python string into its owned buffer.
template <class T, class Convert>
bool convert_into(Value& slot, Convert&& convert) {
  if (convert(slot.emplace<T>())) return true;
  slot = std::monostate{};
  return false;
}

}  // namespace

bool Arguments::convert(const Signature& signature, PyObject* const* args, Py_ssize_t nargsf,
                        PyObject* kwnames) {
  PyObject* given[kMaxParameters];
  if (!parse_call(signature, args, nargsf, kwnames, given)) return false;

  for (std::size_t i = 0; i < signature.parameters.size(); ++i) {
    const Parameter& p = signature.parameters[i];
    PyObject* object = given[i];
    auto& slot = values_[i];
    slot = std::monostate{};
    if (object == nullptr || (p.optional && object == Py_None)) continue;
    bool ok = false;
    switch (p.kind) {
      case Kind::kText:
        ok = convert_into<SymbolString>(
            slot, [&](SymbolString& v) { return convert_text(object, p.name, v); });
        break;
      case Kind::kTextList:
        ok = convert_into<std::vector<SymbolString>>(
            slot, [&](std::vector<SymbolString>& v) { return convert_text_list(object, p.name, v); });
        break;
      case Kind::kCount:
        ok = convert_into<std::uint64_t>(
            slot, [&](std::uint64_t& v) { return convert_count(object, p.name, v); });
        break;
      case Kind::kReal:
        ok = convert_into<double>(slot, [&](double& v) { return convert_real(object, p.name, v); });
        break;
      case Kind::kFlag:
        ok = convert_into<bool>(slot, [&](bool& v) { return convert_flag(object, p.name, v); });
        break;
      case Kind::kCombinedCutoff:
        ok = convert_into<std::uint64_t>(
            slot, [&](std::uint64_t& v) { return convert_combined_cutoff(object, v); });
        break;
    }
    if (!ok) return false;
  }
  return true;
}

}  // namespace lumra::python
