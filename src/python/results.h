// Building Python results from the core's values (lock held).
#pragma once

#include <cstdint>

#include "core/distance_matrix.h"
#include "python/python.h"

namespace lumra::python {

// A list of rows, each a list of cells; an empty list for no rows.
PyObject* matrix_to_list(const DistanceMatrix<std::uint64_t>& matrix);
PyObject* matrix_to_list(const DistanceMatrix<double>& matrix);

}  // namespace lumra::python
