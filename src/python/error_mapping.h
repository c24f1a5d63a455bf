// The one place where failures of the library become Python exceptions.
//
// Every error the core reports becomes ValueError with the error's message;
// the only TypeError of the library's own is the combined distance's cutoff
// type check. Argument-parsing errors follow CPython's conventions and are
// raised where the arguments are converted.
#pragma once

#include <new>

#include "core/base/errors.h"
#include "python/python.h"

namespace lumra::python {

struct CombinedCutoffNotInt {};    // a bool, or not a signed 64-bit int
struct CombinedCutoffNegative {};

// Each sets the Python error and returns nullptr for `return raise_error(...)`.
PyObject* raise_error(const CoreError& error);
PyObject* raise_error(const CombinedCutoffNotInt& error);
PyObject* raise_error(const CombinedCutoffNegative& error);

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
