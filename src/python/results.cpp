#include "python/results.h"

#include <cstring>
#include <memory>

namespace lumra::python {

namespace {

// Matrices of scores hold few distinct values (a similarity is a ratio of
// small integers), so cells share float objects instead of allocating one
// per cell. Floats are immutable; sharing them is invisible to callers.
class FloatCache {
 public:
  FloatCache() = default;
  FloatCache(const FloatCache&) = delete;
  FloatCache& operator=(const FloatCache&) = delete;
  ~FloatCache() {
    for (Slot& slot : slots_) Py_XDECREF(slot.object);
  }

  PyObject* get(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    Slot& slot = slots_[(bits * 0x9E3779B97F4A7C15ull) >> (64 - kSlotBits)];
    if (slot.object != nullptr && slot.bits == bits) return Py_NewRef(slot.object);
    PyObject* object = PyFloat_FromDouble(value);
    if (object == nullptr) return nullptr;
    Py_XSETREF(slot.object, Py_NewRef(object));
    slot.bits = bits;
    return object;
  }

 private:
  static constexpr int kSlotBits = 10;
  struct Slot {
    std::uint64_t bits = 0;
    PyObject* object = nullptr;
  };
  Slot slots_[1u << kSlotBits];
};

// Distances in a matrix are mostly small. CPython keeps the small integers
// as shared immortal objects, but reaching them through the general
// conversion costs a call and a few tests per cell; a table of them made
// once per matrix turns each cell into one load.
class IntegerCells {
 public:
  IntegerCells() {
    for (std::uint64_t v = 0; v < kSmall; ++v) {
      // Only fails on exhausted memory; such a value then takes the general path.
      small_[v] = PyLong_FromUnsignedLongLong(v);
    }
  }
  IntegerCells(const IntegerCells&) = delete;
  IntegerCells& operator=(const IntegerCells&) = delete;
  ~IntegerCells() {
    for (PyObject* object : small_) Py_XDECREF(object);
  }

  PyObject* operator()(std::uint64_t cell) {
    if (cell < kSmall && small_[cell] != nullptr) return Py_NewRef(small_[cell]);
    return PyLong_FromUnsignedLongLong(cell);
  }

 private:
  static constexpr std::uint64_t kSmall = 256;
  PyObject* small_[kSmall];
};

struct FloatCells {
  std::unique_ptr<FloatCache> cache = std::make_unique<FloatCache>();
  PyObject* operator()(double cell) { return cache->get(cell); }
};

template <class Cell, class ToPython>
PyObject* rows_to_list(const DistanceMatrix<Cell>& matrix, ToPython&& to_python) {
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
      PyObject* value = to_python(cells[c]);
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
  IntegerCells cells;
  return rows_to_list(matrix, cells);
}

PyObject* matrix_to_list(const DistanceMatrix<double>& matrix) {
  return rows_to_list(matrix, FloatCells{});
}

}  // namespace lumra::python
