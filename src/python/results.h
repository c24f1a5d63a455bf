// Building Python results from the core's values (lock held).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/batch/distance_matrix.h"
#include "python/python.h"

namespace lumra::python {

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

  bool ok() const { return rows_ != nullptr; }
  bool add(const DistanceMatrix<Cell>& block);
  PyObject* release();

 private:
  struct Converter;  // cell values to Python objects, shared by all blocks
  // The converter comes first: if making it fails, no list is left behind.
  std::unique_ptr<Converter> converter_;
  PyObject* rows_;
  std::size_t filled_ = 0;
};

}  // namespace lumra::python
