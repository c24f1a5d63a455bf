// Batch matrices over plain strings.
#include <algorithm>

#include "core/batch/distance_matrix.h"
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

// The matrix is computed a block of queries at a time, the lock released
// for each block, and each block becomes Python rows before the next is
// computed. Every cell depends only on its query and choice, so the blocks
// put together are the whole matrix; a block's buffer stays small enough to
// be reused from the cache instead of faulting in fresh pages for the whole
// matrix. An invalid cutoff fails the first block, before any row exists.
constexpr std::size_t kQueriesPerBlock = 64;

template <class Cell, class Compute>
PyObject* blockwise_matrix(const Arguments& a, Compute&& compute) {
  const std::vector<SymbolString>& queries = a.texts(0);
  MatrixList<Cell> rows(queries.size());
  if (!rows.ok()) return nullptr;
  for (std::size_t first = 0; first < queries.size(); first += kQueriesPerBlock) {
    const TextList block = TextList(queries).subspan(
        first, std::min(kQueriesPerBlock, queries.size() - first));
    auto cells = without_lock([&] { return compute(block); });
    if (!cells) return raise_error(cells.error());
    if (!rows.add(cells.value())) return nullptr;
  }
  return rows.release();
}

PyObject* integer_matrix(const Signature& signature, IntegerMatrix compute, PyObject* const* args,
                         Py_ssize_t nargsf, PyObject* kwnames) {
  return guarded([&]() -> PyObject* {
    Arguments a;
    if (!a.convert(signature, args, nargsf, kwnames)) return nullptr;
    return blockwise_matrix<std::uint64_t>(a, [&](TextList block) {
      return Result<DistanceMatrix<std::uint64_t>, CutoffOutOfRange>(
          compute(block, a.texts(1), a.optional_count(2)));
    });
  });
}

PyObject* score_matrix(const Signature& signature, ScoreMatrix compute, PyObject* const* args,
                       Py_ssize_t nargsf, PyObject* kwnames) {
  return guarded([&]() -> PyObject* {
    Arguments a;
    if (!a.convert(signature, args, nargsf, kwnames)) return nullptr;
    return blockwise_matrix<double>(
        a, [&](TextList block) { return compute(block, a.texts(1), a.optional_real(2)); });
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
