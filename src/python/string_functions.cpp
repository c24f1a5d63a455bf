// Metrics between two plain strings.
#include <cstdint>
#include <optional>

#include "core/strings/string_metrics.h"
#include "python/arguments.h"
#include "python/error_mapping.h"
#include "python/functions.h"
#include "python/gil.h"

namespace lumra::python {

namespace {

std::uint64_t work_of(const Arguments& a, std::optional<std::uint64_t> bound) {
  return comparison_cells(a.text(0).size(), a.text(1).size(), bound);
}

constexpr Parameter kCountCutoff[] = {
    {"left", Kind::kText}, {"right", Kind::kText}, {"score_cutoff", Kind::kCount, true, true}};
constexpr Parameter kCombinedCutoff[] = {
    {"left", Kind::kText}, {"right", Kind::kText}, {"score_cutoff", Kind::kCombinedCutoff, true, true}};
constexpr Parameter kRealCutoff[] = {
    {"left", Kind::kText}, {"right", Kind::kText}, {"score_cutoff", Kind::kReal, true, true}};

using IntegerMetric = std::uint64_t (*)(Symbols, Symbols, std::optional<std::uint64_t>,
                                        StringWorkspace&);
using ScoreMetric = Result<double, CutoffOutOfRange> (*)(Symbols, Symbols, std::optional<double>,
                                                         StringWorkspace&);

PyObject* integer_metric(const Signature& signature, IntegerMetric metric, PyObject* const* args,
                         Py_ssize_t nargsf, PyObject* kwnames) {
  return guarded([&]() -> PyObject* {
    Arguments a;
    if (!a.convert(signature, args, nargsf, kwnames)) return nullptr;
    const std::uint64_t value = without_lock_unless_tiny(work_of(a, a.optional_count(2)), [&] {
      StringWorkspace workspace;
      return metric(a.text(0), a.text(1), a.optional_count(2), workspace);
    });
    return PyLong_FromUnsignedLongLong(value);
  });
}

PyObject* score_metric(const Signature& signature, ScoreMetric metric, PyObject* const* args,
                       Py_ssize_t nargsf, PyObject* kwnames) {
  return guarded([&]() -> PyObject* {
    Arguments a;
    if (!a.convert(signature, args, nargsf, kwnames)) return nullptr;
    auto score = without_lock_unless_tiny(work_of(a, std::nullopt), [&] {
      StringWorkspace workspace;
      return metric(a.text(0), a.text(1), a.optional_real(2), workspace);
    });
    if (!score) return raise_error(score.error());
    return PyFloat_FromDouble(score.value());
  });
}

}  // namespace

PyObject* distance(PyObject*, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) {
  static constexpr Signature kSignature{"distance()", kCountCutoff};
  return integer_metric(kSignature, levenshtein_with_cutoff, args, nargsf, kwnames);
}

PyObject* damerau_distance(PyObject*, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) {
  static constexpr Signature kSignature{"damerau_distance()", kCountCutoff};
  return integer_metric(kSignature, osa_with_cutoff, args, nargsf, kwnames);
}

PyObject* combined_distance(PyObject*, PyObject* const* args, Py_ssize_t nargsf,
                            PyObject* kwnames) {
  static constexpr Signature kSignature{"combined_distance()", kCombinedCutoff};
  return integer_metric(kSignature, osa_with_cutoff, args, nargsf, kwnames);
}

PyObject* normalized_distance(PyObject*, PyObject* const* args, Py_ssize_t nargsf,
                              PyObject* kwnames) {
  static constexpr Signature kSignature{"normalized_distance()", kRealCutoff};
  return score_metric(kSignature, lumra::normalized_distance, args, nargsf, kwnames);
}

PyObject* normalized_similarity(PyObject*, PyObject* const* args, Py_ssize_t nargsf,
                                PyObject* kwnames) {
  static constexpr Signature kSignature{"normalized_similarity()", kRealCutoff};
  return score_metric(kSignature, lumra::normalized_similarity, args, nargsf, kwnames);
}

PyObject* ratio(PyObject*, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) {
  static constexpr Signature kSignature{"ratio()", kRealCutoff};
  return score_metric(kSignature, lumra::normalized_similarity, args, nargsf, kwnames);
}

}  // namespace lumra::python
