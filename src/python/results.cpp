#include "python/results.h"

namespace lumra::python {

namespace {

PyObject* cell_to_python(std::uint64_t cell) { return PyLong_FromUnsignedLongLong(cell); }
PyObject* cell_to_python(double cell) { return PyFloat_FromDouble(cell); }

template <class Cell>
PyObject* rows_to_list(const DistanceMatrix<Cell>& matrix) {
  PyObject* rows = PyList_New(static_cast<Py_ssize_t>(matrix.rows));
  if (rows == nullptr) return nullptr;
  for (std::size_t q = 0; q < matrix.rows; ++q) {
    PyObject* row = PyList_New(static_cast<Py_ssize_t>(matrix.cols));
    if (row == nullptr) {
      Py_DECREF(rows);
      return nullptr;
    }
    PyList_SET_ITEM(rows, static_cast<Py_ssize_t>(q), row);
    const Cell* cells = matrix.row(q);
    for (std::size_t c = 0; c < matrix.cols; ++c) {
      PyObject* value = cell_to_python(cells[c]);
      if (value == nullptr) {
        Py_DECREF(rows);  // frees the rows and the cells built so far
        return nullptr;
      }
      PyList_SET_ITEM(row, static_cast<Py_ssize_t>(c), value);
    }
  }
  return rows;
}

}  // namespace

PyObject* matrix_to_list(const DistanceMatrix<std::uint64_t>& matrix) {
  return rows_to_list(matrix);
}

PyObject* matrix_to_list(const DistanceMatrix<double>& matrix) { return rows_to_list(matrix); }

}  // namespace lumra::python
