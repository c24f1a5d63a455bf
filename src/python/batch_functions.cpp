// Batch matrices over plain strings.
#include "core/distance_matrix.h"
#include "python/arguments.h"
#include "python/error_mapping.h"
#include "python/functions.h"
#include "python/gil.h"
#include "python/results.h"

namespace lumra::python {

namespace {

constexpr Parameter kCountCutoff[] = {{"queries", Kind::kTextList},
                                      {"choices", Kind::kTextList},
                                      {"score_cutoff", Kind::kCount, true, true}};
constexpr Parameter kCombinedCutoff[] = {{"queries", Kind::kTextList},
                                         {"choices", Kind::kTextList},
                                         {"score_cutoff", Kind::kCombinedCutoff, true, true}};
constexpr Parameter kRealCutoff[] = {{"queries", Kind::kTextList},
                                     {"choices", Kind::kTextList},
                                     {"score_cutoff", Kind::kReal, true, true}};

using IntegerMatrix = DistanceMatrix<std::uint64_t> (*)(TextList, TextList,
                                                        std::optional<std::uint64_t>);
using ScoreMatrix = Result<DistanceMatrix<double>, CutoffOutOfRange> (*)(TextList, TextList,
                                                                         std::optional<double>);

PyObject* integer_matrix(const Signature& signature, IntegerMatrix compute, PyObject* const* args,
                         Py_ssize_t nargsf, PyObject* kwnames) {
  return guarded([&]() -> PyObject* {
    Arguments a;
    if (!a.convert(signature, args, nargsf, kwnames)) return nullptr;
    const auto matrix =
        without_lock([&] { return compute(a.texts(0), a.texts(1), a.optional_count(2)); });
    return matrix_to_list(matrix);
  });
}

PyObject* score_matrix(const Signature& signature, ScoreMatrix compute, PyObject* const* args,
                       Py_ssize_t nargsf, PyObject* kwnames) {
  return guarded([&]() -> PyObject* {
    Arguments a;
    if (!a.convert(signature, args, nargsf, kwnames)) return nullptr;
    const auto matrix =
        without_lock([&] { return compute(a.texts(0), a.texts(1), a.optional_real(2)); });
    if (!matrix) return raise_error(matrix.error());
    return matrix_to_list(matrix.value());
  });
}

}  // namespace

PyObject* cdist_distance(PyObject*, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) {
  static constexpr Signature kSignature{"_cdist_distance()", kCountCutoff};
  return integer_matrix(kSignature, levenshtein_matrix, args, nargsf, kwnames);
}

PyObject* cdist_damerau_distance(PyObject*, PyObject* const* args, Py_ssize_t nargsf,
                                 PyObject* kwnames) {
  static constexpr Signature kSignature{"_cdist_damerau_distance()", kCountCutoff};
  return integer_matrix(kSignature, osa_matrix, args, nargsf, kwnames);
}

PyObject* cdist_combined_distance(PyObject*, PyObject* const* args, Py_ssize_t nargsf,
                                  PyObject* kwnames) {
  static constexpr Signature kSignature{"_cdist_combined_distance()", kCombinedCutoff};
  return integer_matrix(kSignature, osa_matrix, args, nargsf, kwnames);
}

PyObject* cdist_normalized_distance(PyObject*, PyObject* const* args, Py_ssize_t nargsf,
                                    PyObject* kwnames) {
  static constexpr Signature kSignature{"_cdist_normalized_distance()", kRealCutoff};
  return score_matrix(kSignature, normalized_distance_matrix, args, nargsf, kwnames);
}

PyObject* cdist_normalized_similarity(PyObject*, PyObject* const* args, Py_ssize_t nargsf,
                                      PyObject* kwnames) {
  static constexpr Signature kSignature{"_cdist_normalized_similarity()", kRealCutoff};
  return score_matrix(kSignature, normalized_similarity_matrix, args, nargsf, kwnames);
}

}  // namespace lumra::python
