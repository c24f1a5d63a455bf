// The two dictionary classes, made once per module object.
#pragma once

#include "python/python.h"

namespace lumra::python {

// New type objects bound to `module`, or nullptr with the error set.
PyObject* new_japanese_dictionary_type(PyObject* module);
PyObject* new_chinese_dictionary_type(PyObject* module);

}  // namespace lumra::python
