#include "python/error_mapping.h"

#include <stdexcept>

namespace lumra::python {

// The families of every subsystem go through the one mapping.
static_assert(HasMessage<CoreError>);
static_assert(HasMessage<ja::UnidicLoadError>);
static_assert(HasMessage<ja::UnidicPayloadLoadError>);
static_assert(HasMessage<ja::JapaneseDistanceError>);
static_assert(HasMessage<zh::ZhLoadError>);
static_assert(HasMessage<zh::ZhPayloadLoadError>);
static_assert(HasMessage<zh::ChineseDistanceError>);
static_assert(HasMessage<artifacts::UnidicBundleError>);
static_assert(HasMessage<artifacts::ZhBundleError>);

std::string message(const CombinedCutoffNotInt&) {
  return "score_cutoff must be an int for distance metrics";
}

std::string message(const CombinedCutoffNegative&) {
  return "score_cutoff must be >= 0 for distance metrics";
}

PyObject* raise_message(PyObject* type, const std::string& text) {
  PyErr_SetString(type, text.c_str());
  return nullptr;
}

PyObject* raise_error(const CombinedCutoffNotInt& error) {
  return raise_message(PyExc_TypeError, message(error));
}

void set_cause(OwnedRef cause) {
  OwnedRef raised(PyErr_GetRaisedException());
  if (raised && cause) {
    PyException_SetContext(raised.get(), Py_NewRef(cause.get()));
    PyException_SetCause(raised.get(), cause.release());
  }
  PyErr_SetRaisedException(raised.release());
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
