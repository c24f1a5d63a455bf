// The module-level functions, by family, in the order the module lists them.
#pragma once

#include <span>

#include "python/python.h"

namespace lumra::python {

std::span<PyMethodDef> string_functions();
std::span<PyMethodDef> alignment_functions();
std::span<PyMethodDef> batch_functions();
std::span<PyMethodDef> path_functions();

}  // namespace lumra::python
