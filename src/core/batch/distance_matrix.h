// Every query against every choice, in one call.
//
// Each cell holds exactly what the pairwise metric returns for that query
// (left operand) and choice (right operand) with the same cutoff; the batch
// form only saves the per-call work: one workspace serves every cell.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "core/base/errors.h"
#include "core/base/result.h"
#include "core/base/symbols.h"
#include "core/base/text_table.h"

namespace lumra {

// Row-major cells: row q holds query q against every choice.
template <class Cell>
struct DistanceMatrix {
  std::size_t rows = 0;
  std::size_t cols = 0;
  // Every cell is written by the metric, so the storage starts
  // uninitialised: clearing a large matrix first would cost as much again
  // as writing it.
  std::unique_ptr<Cell[]> cells;

  Cell* row(std::size_t q) { return cells.get() + q * cols; }
  const Cell* row(std::size_t q) const { return cells.get() + q * cols; }
};

using TextList = TextTableView;

// Each matrix fails with Interrupted when the thread's interruption source
// (interruption.h) stops it, a row or a block of rows at a time.
Result<DistanceMatrix<std::uint64_t>, CoreError> levenshtein_matrix(
    TextList queries, TextList choices, std::optional<std::uint64_t> cutoff);

Result<DistanceMatrix<std::uint64_t>, CoreError> osa_matrix(TextList queries, TextList choices,
                                                            std::optional<std::uint64_t> cutoff);

// The cutoff's range (CutoffOutOfRange) is checked at the first cell, so a
// matrix without cells never fails on it.
Result<DistanceMatrix<double>, CoreError> normalized_similarity_matrix(
    TextList queries, TextList choices, std::optional<double> cutoff);

Result<DistanceMatrix<double>, CoreError> normalized_distance_matrix(
    TextList queries, TextList choices, std::optional<double> cutoff);

}  // namespace lumra
