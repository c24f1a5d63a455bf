#include "python/arguments.h"

#include "python/conversions.h"

namespace lumra::python {

bool Arguments::convert(const Signature& signature, PyObject* const* args, Py_ssize_t nargsf,
                        PyObject* kwnames) {
  clear();
  PyObject* given[kMaxParameters];
  if (!parse_call(signature, args, nargsf, kwnames, given)) return false;

  for (std::size_t i = 0; i < signature.parameters.size(); ++i) {
    const Parameter& p = signature.parameters[i];
    PyObject* object = given[i];
    if (object == nullptr || (p.optional && object == Py_None)) {
      construct<std::monostate>(i);
      continue;
    }
    bool ok = false;
    switch (p.kind) {
      case Kind::kText:
        ok = convert_text(object, p.name, construct<SymbolString>(i));
        break;
      case Kind::kTextList:
        ok = convert_text_list(object, p.name, construct<std::vector<SymbolString>>(i));
        break;
      case Kind::kCount:
        ok = convert_count(object, p.name, construct<std::uint64_t>(i));
        break;
      case Kind::kReal:
        ok = convert_real(object, p.name, construct<double>(i));
        break;
      case Kind::kFlag:
        ok = convert_flag(object, p.name, construct<bool>(i));
        break;
      case Kind::kCombinedCutoff:
        ok = convert_combined_cutoff(object, construct<std::uint64_t>(i));
        break;
    }
    if (!ok) return false;
  }
  return true;
}

}  // namespace lumra::python
