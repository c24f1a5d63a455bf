#include "core/distance_matrix.h"

#include "core/cutoff.h"
#include "core/string_metrics.h"

namespace lumra {

namespace {

template <class Cell, class Metric>
DistanceMatrix<Cell> fill(TextList queries, TextList choices, Metric&& metric) {
  DistanceMatrix<Cell> matrix;
  matrix.rows = queries.size();
  matrix.cols = choices.size();
  matrix.cells.reserve(matrix.rows * matrix.cols);
  StringWorkspace workspace;
  for (const SymbolString& query : queries) {
    for (const SymbolString& choice : choices) {
      matrix.cells.push_back(metric(query.view(), choice.view(), workspace));
    }
  }
  return matrix;
}

// The scores cannot fail once the cutoff is known to be valid, so the range
// is checked once, and only when there is a cell to apply it to.
bool has_cells(TextList queries, TextList choices) { return !queries.empty() && !choices.empty(); }

}  // namespace

DistanceMatrix<std::uint64_t> levenshtein_matrix(TextList queries, TextList choices,
                                                 std::optional<std::uint64_t> cutoff) {
  return fill<std::uint64_t>(queries, choices, [&](Symbols q, Symbols c, StringWorkspace& ws) {
    return levenshtein_with_cutoff(q, c, cutoff, ws);
  });
}

DistanceMatrix<std::uint64_t> osa_matrix(TextList queries, TextList choices,
                                         std::optional<std::uint64_t> cutoff) {
  return fill<std::uint64_t>(queries, choices, [&](Symbols q, Symbols c, StringWorkspace& ws) {
    return osa_with_cutoff(q, c, cutoff, ws);
  });
}

Result<DistanceMatrix<double>, CutoffOutOfRange> normalized_similarity_matrix(
    TextList queries, TextList choices, std::optional<double> cutoff) {
  if (cutoff && has_cells(queries, choices) && !fractional_cutoff_in_range(*cutoff)) {
    return Fail(CutoffOutOfRange{});
  }
  return fill<double>(queries, choices, [&](Symbols q, Symbols c, StringWorkspace& ws) {
    return normalized_similarity(q, c, cutoff, ws).value();
  });
}

Result<DistanceMatrix<double>, CutoffOutOfRange> normalized_distance_matrix(
    TextList queries, TextList choices, std::optional<double> cutoff) {
  if (cutoff && has_cells(queries, choices) && !fractional_cutoff_in_range(*cutoff)) {
    return Fail(CutoffOutOfRange{});
  }
  return fill<double>(queries, choices, [&](Symbols q, Symbols c, StringWorkspace& ws) {
    return normalized_distance(q, c, cutoff, ws).value();
  });
}

}  // namespace lumra
