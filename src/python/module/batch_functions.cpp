// Batch matrices over plain strings.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/batch/distance_matrix.h"
#include "python/binding.h"
#include "python/gil.h"
#include "python/module/functions.h"
#include "python/results.h"

namespace lumra::python {

namespace {

template <class Cutoff>
struct MatrixCall {
  TextTable queries;
  TextTable choices;
  std::optional<Cutoff> score_cutoff;
};
using CountMatrix = MatrixCall<std::uint64_t>;
using RealMatrix = MatrixCall<double>;

constexpr auto kCountCutoff = parameters(
    text_list("queries", &CountMatrix::queries), text_list("choices", &CountMatrix::choices),
    kKeywordOnly, optional_count("score_cutoff", &CountMatrix::score_cutoff));
constexpr auto kCombinedCutoff = parameters(
    text_list("queries", &CountMatrix::queries), text_list("choices", &CountMatrix::choices),
    kKeywordOnly, combined_cutoff("score_cutoff", &CountMatrix::score_cutoff));
constexpr auto kRealCutoff = parameters(
    text_list("queries", &RealMatrix::queries), text_list("choices", &RealMatrix::choices),
    kKeywordOnly, optional_real("score_cutoff", &RealMatrix::score_cutoff));

constexpr auto kCdistDistance = function_signature("_cdist_distance", kCountCutoff);
constexpr auto kCdistDamerauDistance = function_signature("_cdist_damerau_distance", kCountCutoff);
constexpr auto kCdistCombinedDistance =
    function_signature("_cdist_combined_distance", kCombinedCutoff);
constexpr auto kCdistNormalizedDistance =
    function_signature("_cdist_normalized_distance", kRealCutoff);
constexpr auto kCdistNormalizedSimilarity =
    function_signature("_cdist_normalized_similarity", kRealCutoff);

using IntegerMatrix = Result<DistanceMatrix<std::uint64_t>, CoreError> (*)(
    TextList, TextList, std::optional<std::uint64_t>);
using ScoreMatrix = Result<DistanceMatrix<double>, CoreError> (*)(TextList, TextList,
                                                                  std::optional<double>);

// The matrix is computed a block of queries at a time, the lock released
// for each block, and each block becomes Python rows before the next is
// computed. Every cell depends only on its query and choice, so the blocks
// put together are the whole matrix; a block's buffer stays small enough to
// be reused from the cache instead of faulting in fresh pages for the whole
// matrix. An invalid cutoff fails the first block, before any row exists.
constexpr std::size_t kQueriesPerBlock = 64;

template <class Cell, class Compute>
PyObject* blockwise_matrix(const TextTable& queries, Compute&& compute) {
  MatrixList<Cell> rows(queries.size());
  if (!rows.ok()) return nullptr;
  for (std::size_t first = 0; first < queries.size(); first += kQueriesPerBlock) {
    const TextList block =
        queries.view().subspan(first, std::min(kQueriesPerBlock, queries.size() - first));
    auto cells = without_lock([&] { return compute(block); });
    if (!cells) return nullptr;
    if (!cells->ok()) return raise_error(cells->error());
    if (!rows.add(cells->value())) return nullptr;
  }
  return rows.release();
}

template <IntegerMatrix kCompute>
PyObject* integer_matrix(const CountMatrix& call) {
  return blockwise_matrix<std::uint64_t>(call.queries, [&](TextList block) {
    return kCompute(block, call.choices, call.score_cutoff);
  });
}

template <ScoreMatrix kCompute>
PyObject* score_matrix(const RealMatrix& call) {
  return blockwise_matrix<double>(call.queries, [&](TextList block) {
    return kCompute(block, call.choices, call.score_cutoff);
  });
}

PyMethodDef kFunctions[] = {
    function_entry<kCdistDistance, &integer_matrix<levenshtein_matrix>>(),
    function_entry<kCdistDamerauDistance, &integer_matrix<osa_matrix>>(),
    function_entry<kCdistCombinedDistance, &integer_matrix<osa_matrix>>(),
    function_entry<kCdistNormalizedDistance, &score_matrix<normalized_distance_matrix>>(),
    function_entry<kCdistNormalizedSimilarity, &score_matrix<normalized_similarity_matrix>>(),
};

}  // namespace

std::span<PyMethodDef> batch_functions() { return kFunctions; }

}  // namespace lumra::python
