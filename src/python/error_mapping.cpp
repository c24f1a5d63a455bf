#include "python/error_mapping.h"

#include <stdexcept>

namespace lumra::python {

PyObject* raise_error(const CoreError& error) {
  PyErr_SetString(PyExc_ValueError, message(error).c_str());
  return nullptr;
}

PyObject* raise_error(const CombinedCutoffNotInt&) {
  PyErr_SetString(PyExc_TypeError, "score_cutoff must be an int for distance metrics");
  return nullptr;
}

PyObject* raise_error(const CombinedCutoffNegative&) {
  PyErr_SetString(PyExc_ValueError, "score_cutoff must be >= 0 for distance metrics");
  return nullptr;
}

PyObject* raise_current_exception() {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return PyErr_NoMemory();
  } catch (const std::length_error&) {
    return PyErr_NoMemory();
  } catch (const std::exception& e) {
    PyErr_SetString(PyExc_SystemError, e.what());
  } catch (...) {
    PyErr_SetString(PyExc_SystemError, "unexpected internal failure");
  }
  return nullptr;
}

}  // namespace lumra::python
