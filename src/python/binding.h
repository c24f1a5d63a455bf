// Binding a call to a parameter list, and the CPython entry points that do
// it for each function and method.
//
// An entry converts the arguments into a fresh call struct (parameter_list.h)
// and hands it to the body, which only computes and builds the result:
//
//   constexpr auto kDistance = function_signature("distance", kPairParameters);
//   PyMethodDef entry = function_entry<kDistance, [](const PairCall& call) {
//     return ...;  // a new reference, or nullptr with the error set
//   }>();
//
// A C++ exception escaping the conversion or the body (std::bad_alloc)
// becomes a Python exception, and everything the call struct holds is freed
// on the way out.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <tuple>
#include <utility>

#include "python/call_parser.h"
#include "python/conversions.h"
#include "python/error_mapping.h"
#include "python/parameter_list.h"
#include "python/python.h"
#include "python/signature.h"

namespace lumra::python {

namespace binding_detail {

inline bool convert(kinds::Text, PyObject* object, const char* name, SymbolString& out) {
  return convert_text(object, name, out);
}
inline bool convert(kinds::Text, PyObject* object, const char* name, NativeText& out) {
  return convert_text(object, name, out);
}
inline bool convert(kinds::Text, PyObject* object, const char* name, std::string& out) {
  return convert_text(object, name, out);
}
inline bool convert(kinds::TextList, PyObject* object, const char* name,
                    std::vector<SymbolString>& out) {
  return convert_text_list(object, name, out);
}
inline bool convert(kinds::TextList, PyObject* object, const char* name, TextTable& out) {
  return convert_text_list(object, name, out);
}
inline bool convert(kinds::TextList, PyObject* object, const char* name,
                    std::vector<std::string>& out) {
  return convert_text_list(object, name, out);
}
inline bool convert(kinds::Count, PyObject* object, const char* name, std::uint64_t& out) {
  return convert_count(object, name, out);
}
inline bool convert(kinds::Real, PyObject* object, const char* name, double& out) {
  return convert_real(object, name, out);
}
inline bool convert(kinds::Flag, PyObject* object, const char* name, bool& out) {
  return convert_flag(object, name, out);
}
inline bool convert(kinds::CombinedCutoff, PyObject* object, const char*, std::uint64_t& out) {
  return convert_combined_cutoff(object, out);
}
template <class Kind, class Value>
bool convert(Kind kind, PyObject* object, const char* name, std::optional<Value>& out) {
  return convert(kind, object, name, out.emplace());
}

template <class Parameter, class Call>
bool convert_parameter(const Parameter& parameter, PyObject* object, Call& call) {
  auto& field = parameter.access(call);
  if (object == nullptr || (parameter.presence == Presence::kOptional && object == Py_None)) {
    if constexpr (std::is_same_v<typename Parameter::Field, std::string>) {
      if (parameter.presence == Presence::kDefaulted) field = parameter.default_text;
    }
    return true;  // an optional field stays unset
  }
  return convert(typename Parameter::ParameterKind{}, object, parameter.name, field);
}

}  // namespace binding_detail

// Parses the call and converts every argument into `call`, in signature
// order, stopping at the first failure (Python error set).
template <class List>
bool bind(const Signature<List>& signature, typename List::Call& call, PyObject* const* args,
          std::size_t given, PyObject* kwnames) {
  PyObject* slots[List::kSize];
  if (!parse_call(signature.shape(), args, given, kwnames, slots)) return false;
  return [&]<std::size_t... I>(std::index_sequence<I...>) {
    return (binding_detail::convert_parameter(std::get<I>(signature.list.parameters), slots[I],
                                              call) &&
            ...);
  }(std::make_index_sequence<List::kSize>{});
}

template <const auto& kSignature>
using CallOf = typename std::remove_cvref_t<decltype(kSignature)>::Call;

namespace binding_detail {

template <class Function>
PyCFunction as_method_pointer(Function* function) {
  return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(function));
}

// Body: PyObject* (const Call&).
template <const auto& kSignature, auto kBody>
PyObject* call_function(PyObject*, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) {
  return guarded([&]() -> PyObject* {
    CallOf<kSignature> call;
    if (!bind(kSignature, call, args, static_cast<std::size_t>(PyVectorcall_NARGS(nargsf)),
              kwnames)) {
      return nullptr;
    }
    return kBody(call);
  });
}

// Body: PyObject* (PyObject* self, PyTypeObject* defining_class, const Call&).
// The defining class leads to the module state (PyType_GetModuleState),
// whatever subclass `self` is an instance of.
template <const auto& kSignature, auto kBody>
PyObject* call_method(PyObject* self, PyTypeObject* defining_class, PyObject* const* args,
                      std::size_t nargsf, PyObject* kwnames) {
  return guarded([&]() -> PyObject* {
    CallOf<kSignature> call;
    if (!bind(kSignature, call, args, static_cast<std::size_t>(PyVectorcall_NARGS(nargsf)),
              kwnames)) {
      return nullptr;
    }
    return kBody(self, defining_class, call);
  });
}

// Body: PyObject* (PyTypeObject* defining_class, const Call&). A factory is
// a class method rather than a static one because CPython hands a static
// method nothing that leads to its module; the class it is called on is
// not needed, since the factory makes instances of its defining class.
template <const auto& kSignature, auto kBody>
PyObject* call_factory(PyObject*, PyTypeObject* defining_class, PyObject* const* args,
                       std::size_t nargsf, PyObject* kwnames) {
  return guarded([&]() -> PyObject* {
    CallOf<kSignature> call;
    if (!bind(kSignature, call, args, static_cast<std::size_t>(PyVectorcall_NARGS(nargsf)),
              kwnames)) {
      return nullptr;
    }
    return kBody(defining_class, call);
  });
}

}  // namespace binding_detail

template <const auto& kSignature, auto kBody>
PyMethodDef function_entry() {
  static_assert(kSignature.form == CallForm::kFunction);
  return {kSignature.name,
          binding_detail::as_method_pointer(&binding_detail::call_function<kSignature, kBody>),
          METH_FASTCALL | METH_KEYWORDS, kTextSignature<kSignature>};
}

template <const auto& kSignature, auto kBody>
PyMethodDef method_entry() {
  static_assert(kSignature.form == CallForm::kMethod);
  return {kSignature.name,
          binding_detail::as_method_pointer(&binding_detail::call_method<kSignature, kBody>),
          METH_METHOD | METH_FASTCALL | METH_KEYWORDS, kTextSignature<kSignature>};
}

template <const auto& kSignature, auto kBody>
PyMethodDef factory_entry() {
  static_assert(kSignature.form == CallForm::kFactory);
  return {kSignature.name,
          binding_detail::as_method_pointer(&binding_detail::call_factory<kSignature, kBody>),
          METH_CLASS | METH_METHOD | METH_FASTCALL | METH_KEYWORDS, kTextSignature<kSignature>};
}

// The state of the module that defined `type` (a heap type made with
// PyType_FromModuleAndSpec).
template <class State>
State& module_state_of(PyTypeObject* type) {
  return *static_cast<State*>(PyType_GetModuleState(type));
}

}  // namespace lumra::python
