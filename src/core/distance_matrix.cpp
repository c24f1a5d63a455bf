#include "core/distance_matrix.h"

#include "core/cached_metrics.h"
#include "core/cutoff.h"

namespace lumra {

namespace {

// Row by row: the query's scorer (its match masks, built once) scores the
// whole row of choices, and one workspace serves every cell.
template <class Cell, class Scorer, class Row>
DistanceMatrix<Cell> fill(TextList queries, TextList choices, Row&& row) {
  DistanceMatrix<Cell> matrix;
  matrix.rows = queries.size();
  matrix.cols = choices.size();
  matrix.cells.resize(matrix.rows * matrix.cols);
  if (choices.empty()) return matrix;
  StringWorkspace workspace;
  for (std::size_t q = 0; q < queries.size(); ++q) {
    const Scorer scorer(queries[q].view());
    row(scorer, workspace, matrix.cells.data() + q * matrix.cols);
  }
  return matrix;
}

// The scores cannot fail once the cutoff is known to be valid, so the range
// is checked once, and only when there is a cell to apply it to.
bool has_cells(TextList queries, TextList choices) { return !queries.empty() && !choices.empty(); }

}  // namespace

DistanceMatrix<std::uint64_t> levenshtein_matrix(TextList queries, TextList choices,
                                                 std::optional<std::uint64_t> cutoff) {
  return fill<std::uint64_t, CachedLevenshtein>(
      queries, choices,
      [&](const CachedLevenshtein& query, StringWorkspace& ws, std::uint64_t* out) {
        query.distances(choices, cutoff, ws, out);
      });
}

DistanceMatrix<std::uint64_t> osa_matrix(TextList queries, TextList choices,
                                         std::optional<std::uint64_t> cutoff) {
  return fill<std::uint64_t, CachedOsa>(
      queries, choices, [&](const CachedOsa& query, StringWorkspace& ws, std::uint64_t* out) {
        query.distances(choices, cutoff, ws, out);
      });
}

Result<DistanceMatrix<double>, CutoffOutOfRange> normalized_similarity_matrix(
    TextList queries, TextList choices, std::optional<double> cutoff) {
  if (cutoff && has_cells(queries, choices) && !fractional_cutoff_in_range(*cutoff)) {
    return Fail(CutoffOutOfRange{});
  }
  return fill<double, CachedSimilarity>(
      queries, choices, [&](const CachedSimilarity& query, StringWorkspace& ws, double* out) {
        // The cutoff is known to be valid: the row cannot fail.
        (void)query.normalized_similarities(choices, cutoff, ws, out);
      });
}

Result<DistanceMatrix<double>, CutoffOutOfRange> normalized_distance_matrix(
    TextList queries, TextList choices, std::optional<double> cutoff) {
  if (cutoff && has_cells(queries, choices) && !fractional_cutoff_in_range(*cutoff)) {
    return Fail(CutoffOutOfRange{});
  }
  return fill<double, CachedSimilarity>(
      queries, choices, [&](const CachedSimilarity& query, StringWorkspace& ws, double* out) {
        (void)query.normalized_distances(choices, cutoff, ws, out);
      });
}

}  // namespace lumra
