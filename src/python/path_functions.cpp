// Metrics between two lists of alternative spellings.
#include "core/lattice/path_metrics.h"
#include "python/arguments.h"
#include "python/error_mapping.h"
#include "python/functions.h"
#include "python/gil.h"

namespace lumra::python {

namespace {

constexpr Parameter kCountCutoff[] = {{"left_paths", Kind::kTextList},
                                      {"right_paths", Kind::kTextList},
                                      {"score_cutoff", Kind::kCount, true, true}};
constexpr Parameter kRealCutoff[] = {{"left_paths", Kind::kTextList},
                                     {"right_paths", Kind::kTextList},
                                     {"score_cutoff", Kind::kReal, true, true}};
constexpr Parameter kThreshold[] = {{"left_paths", Kind::kTextList},
                                    {"right_paths", Kind::kTextList},
                                    {"threshold", Kind::kCount}};

PyObject* to_python(std::uint64_t value) { return PyLong_FromUnsignedLongLong(value); }
PyObject* to_python(double value) { return PyFloat_FromDouble(value); }
PyObject* to_python(bool value) { return PyBool_FromLong(value); }

// Converts the call, runs `metric` on the two lists with the lock released
// and returns its value or raises its error.
template <class Metric>
PyObject* path_metric(const Signature& signature, PyObject* const* args, Py_ssize_t nargsf,
                      PyObject* kwnames, Metric&& metric) {
  return guarded([&]() -> PyObject* {
    Arguments a;
    if (!a.convert(signature, args, nargsf, kwnames)) return nullptr;
    auto result = without_lock([&] { return metric(a); });
    if (!result) return raise_error(result.error());
    return to_python(result.value());
  });
}

}  // namespace

PyObject* distance_paths(PyObject*, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) {
  static constexpr Signature kSignature{"distance_paths()", kCountCutoff};
  return path_metric(kSignature, args, nargsf, kwnames, [](const Arguments& a) {
    return lumra::distance_paths(a.texts(0), a.texts(1), a.optional_count(2));
  });
}

PyObject* damerau_distance_paths(PyObject*, PyObject* const* args, Py_ssize_t nargsf,
                                 PyObject* kwnames) {
  static constexpr Signature kSignature{"damerau_distance_paths()", kCountCutoff};
  return path_metric(kSignature, args, nargsf, kwnames, [](const Arguments& a) {
    return lumra::damerau_distance_paths(a.texts(0), a.texts(1), a.optional_count(2));
  });
}

PyObject* normalized_distance_paths(PyObject*, PyObject* const* args, Py_ssize_t nargsf,
                                    PyObject* kwnames) {
  static constexpr Signature kSignature{"normalized_distance_paths()", kRealCutoff};
  return path_metric(kSignature, args, nargsf, kwnames, [](const Arguments& a) {
    return lumra::normalized_distance_paths(a.texts(0), a.texts(1), a.optional_real(2));
  });
}

PyObject* normalized_similarity_paths(PyObject*, PyObject* const* args, Py_ssize_t nargsf,
                                      PyObject* kwnames) {
  static constexpr Signature kSignature{"normalized_similarity_paths()", kRealCutoff};
  return path_metric(kSignature, args, nargsf, kwnames, [](const Arguments& a) {
    return lumra::normalized_similarity_paths(a.texts(0), a.texts(1), a.optional_real(2));
  });
}

PyObject* ratio_paths(PyObject*, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) {
  static constexpr Signature kSignature{"ratio_paths()", kRealCutoff};
  return path_metric(kSignature, args, nargsf, kwnames, [](const Arguments& a) {
    return lumra::normalized_similarity_paths(a.texts(0), a.texts(1), a.optional_real(2));
  });
}

PyObject* within_distance_paths(PyObject*, PyObject* const* args, Py_ssize_t nargsf,
                                PyObject* kwnames) {
  static constexpr Signature kSignature{"within_distance_paths()", kThreshold};
  return path_metric(kSignature, args, nargsf, kwnames, [](const Arguments& a) {
    return lumra::within_distance_paths(a.texts(0), a.texts(1), a.count(2));
  });
}

PyObject* within_damerau_distance_paths(PyObject*, PyObject* const* args, Py_ssize_t nargsf,
                                        PyObject* kwnames) {
  static constexpr Signature kSignature{"within_damerau_distance_paths()", kThreshold};
  return path_metric(kSignature, args, nargsf, kwnames, [](const Arguments& a) {
    return lumra::within_damerau_distance_paths(a.texts(0), a.texts(1), a.count(2));
  });
}

}  // namespace lumra::python
