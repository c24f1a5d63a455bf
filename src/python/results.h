// Building Python results from the core's values (lock held).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "core/alignment/partial_alignment.h"
#include "core/base/result.h"
#include "core/batch/distance_matrix.h"
#include "python/error_mapping.h"
#include "python/owned_ref.h"
#include "python/python.h"

namespace lumra::python {

// Scalar results; each returns a new reference, or nullptr with the error set.
inline PyObject* to_python(std::uint64_t value) { return PyLong_FromUnsignedLongLong(value); }
inline PyObject* to_python(double value) { return PyFloat_FromDouble(value); }
inline PyObject* to_python(bool value) { return PyBool_FromLong(value); }

// A computation's scalar value, or its error raised.
template <class T, class Error>
PyObject* to_python_or_raise(Result<T, Error>&& result) {
  return value_or_raise(std::move(result), [](const T& value) { return to_python(value); });
}

// An alignment as (score, query start, query end, span start, span end),
// or None when no span qualified.
template <class Score>
PyObject* alignment_to_python(const std::optional<Alignment<Score>>& alignment) {
  if (!alignment) Py_RETURN_NONE;
  return Py_BuildValue("(NKKKK)", to_python(alignment->score),
                       static_cast<unsigned long long>(alignment->query_start),
                       static_cast<unsigned long long>(alignment->query_end),
                       static_cast<unsigned long long>(alignment->span_start),
                       static_cast<unsigned long long>(alignment->span_end));
}

// The list of rows of a matrix, filled block of rows by block of rows. The
// list is freed with its builder unless released; a failed add() leaves the
// Python error set.
template <class Cell>
class MatrixList {
 public:
  explicit MatrixList(std::size_t rows);
  ~MatrixList();
  MatrixList(const MatrixList&) = delete;
  MatrixList& operator=(const MatrixList&) = delete;

  bool ok() const { return static_cast<bool>(rows_); }
  bool add(const DistanceMatrix<Cell>& block);
  PyObject* release();

 private:
  struct Converter;  // cell values to Python objects, shared by all blocks
  // The converter comes first: if making it fails, no list is left behind.
  std::unique_ptr<Converter> converter_;
  OwnedRef rows_;
  std::size_t filled_ = 0;
};

}  // namespace lumra::python
