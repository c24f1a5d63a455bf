// The one place where failures of the library become Python exceptions.
//
// Every error family with a message() becomes ValueError with that message;
// the only TypeError of the library's own is the combined distance's cutoff
// type check. Argument-parsing errors follow CPython's conventions and are
// raised where the arguments are converted.
#pragma once

#include <concepts>
#include <string>
#include <utility>

#include "artifacts/bundle/bundle_error.h"
#include "core/base/errors.h"
#include "core/base/result.h"
#include "ja/japanese_distance_error.h"
#include "ja/unidic/load_payload.h"
#include "ja/unidic/unidic_load_error.h"
#include "python/owned_ref.h"
#include "python/python.h"
#include "zh/index/load_payload.h"
#include "zh/index/zh_load_error.h"
#include "zh/reading/chinese_distance_error.h"

namespace lumra::python {

// Each subsystem owns its error families and writes their messages; the
// message() of each joins the overload set here, so that one mapping below
// serves them all. (Errors that are variants of structs from a nested
// namespace are not found by argument-dependent lookup alone.)
using lumra::message;
using lumra::artifacts::message;
using lumra::ja::message;
using lumra::zh::message;

// The combined distance's cutoff rules, checked while converting it.
struct CombinedCutoffNotInt {};  // a bool, or not a signed 64-bit int
struct CombinedCutoffNegative {};
std::string message(const CombinedCutoffNotInt& error);
std::string message(const CombinedCutoffNegative& error);

template <class Error>
concept HasMessage = requires(const Error& error) {
  { message(error) } -> std::convertible_to<std::string>;
};

// Sets the Python error and returns nullptr, for `return raise_...;`.
PyObject* raise_message(PyObject* type, const std::string& text);

// A failure of the library's own code.
template <HasMessage Error>
PyObject* raise_error(const Error& error) {
  return raise_message(PyExc_ValueError, message(error));
}
PyObject* raise_error(const CombinedCutoffNotInt& error);  // TypeError

// Makes `cause` the __cause__ (and __context__) of the pending exception,
// as `raise ... from cause` does.
void set_cause(OwnedRef cause);

// The value of a computation, converted by `to_python`, or its error raised.
template <class T, class Error, class ToPython>
PyObject* value_or_raise(Result<T, Error>&& result, ToPython&& to_python) {
  if (!result) return raise_error(result.error());
  return std::forward<ToPython>(to_python)(std::move(result).value());
}

// For failures that escape as C++ exceptions (allocation failure): the
// binding never lets one cross into the interpreter.
PyObject* raise_current_exception();

// Runs a function body and turns an escaping C++ exception into a Python one.
template <class Body>
PyObject* guarded(Body&& body) {
  try {
    return body();
  } catch (...) {
    return raise_current_exception();
  }
}

}  // namespace lumra::python
