#include "python/results.h"

#include <cstring>
#include <memory>
#include <type_traits>
#include <utility>

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

  PyObject* get(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    Slot& slot = slots_[(bits * 0x9E3779B97F4A7C15ull) >> (64 - kSlotBits)];
    if (slot.object && slot.bits == bits) return Py_NewRef(slot.object.get());
    PyObject* object = PyFloat_FromDouble(value);
    if (object == nullptr) return nullptr;
    slot.object.reset(Py_NewRef(object));
    slot.bits = bits;
    return object;
  }

 private:
  static constexpr int kSlotBits = 10;
  struct Slot {
    std::uint64_t bits = 0;
    OwnedRef object;
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
  // Owned by this table (released by its destructor) rather than held in
  // OwnedRefs, which would be cleared first only to be overwritten: the
  // table is built for every matrix, however small.
  PyObject* small_[kSmall];
};

struct FloatCells {
  std::unique_ptr<FloatCache> cache = std::make_unique<FloatCache>();
  PyObject* operator()(double cell) { return cache->get(cell); }
};

template <class Cell, class CellToPython>
bool fill_rows(PyObject* rows, std::size_t first_row, const DistanceMatrix<Cell>& block,
               CellToPython& cell_to_python) {
  for (std::size_t q = 0; q < block.rows; ++q) {
    PyObject* row = PyList_New(static_cast<Py_ssize_t>(block.cols));
    if (row == nullptr) return false;
    PyList_SET_ITEM(rows, static_cast<Py_ssize_t>(first_row + q), row);
    const Cell* cells = block.row(q);
    for (std::size_t c = 0; c < block.cols; ++c) {
      PyObject* value = cell_to_python(cells[c]);
      if (value == nullptr) return false;  // the rows' owner frees what was built
      PyList_SET_ITEM(row, static_cast<Py_ssize_t>(c), value);
    }
  }
  return true;
}

}  // namespace

template <class Cell>
struct MatrixList<Cell>::Converter
    : std::conditional_t<std::is_same_v<Cell, double>, FloatCells, IntegerCells> {};

template <class Cell>
MatrixList<Cell>::MatrixList(std::size_t rows)
    : converter_(std::make_unique<Converter>()),
      rows_(PyList_New(static_cast<Py_ssize_t>(rows))) {}

template <class Cell>
MatrixList<Cell>::~MatrixList() = default;

template <class Cell>
bool MatrixList<Cell>::add(const DistanceMatrix<Cell>& block) {
  if (!rows_) return false;
  if (!fill_rows(rows_.get(), filled_, block, *converter_)) return false;
  filled_ += block.rows;
  return true;
}

template <class Cell>
PyObject* MatrixList<Cell>::release() {
  return rows_.release();
}

template class MatrixList<std::uint64_t>;
template class MatrixList<double>;

}  // namespace lumra::python
