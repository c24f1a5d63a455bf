// The row-by-row Levenshtein programme.
#include <algorithm>

#include "core/strings/internal/levenshtein_kernels.h"

namespace lumra::internal {

namespace {

// Fills one row from the previous one for symbol `x` of the longer string.
inline void fill_row(Symbols shorter, Symbol x, std::uint64_t row_number,
                     const std::uint64_t* previous, std::uint64_t* current) {
  current[0] = row_number;
  for (std::size_t i = 1; i <= shorter.size(); ++i) {
    const std::uint64_t substitution = previous[i - 1] + (x != shorter[i - 1] ? 1 : 0);
    const std::uint64_t insertion = current[i - 1] + 1;
    const std::uint64_t deletion = previous[i] + 1;
    current[i] = std::min({substitution, insertion, deletion});
  }
}

}  // namespace

std::uint64_t levenshtein_rows(Symbols shorter, Symbols longer, StringWorkspace& workspace) {
  const std::size_t columns = shorter.size();
  if (columns == 0) return longer.size();
  auto& previous_row = workspace.buffers().rows[0];
  auto& current_row = workspace.buffers().rows[1];
  previous_row.resize(columns + 1);
  current_row.resize(columns + 1);
  std::uint64_t* previous = previous_row.data();
  std::uint64_t* current = current_row.data();
  for (std::size_t i = 0; i <= columns; ++i) previous[i] = i;
  for (std::size_t r = 0; r < longer.size(); ++r) {
    fill_row(shorter, longer[r], r + 1, previous, current);
    std::swap(previous, current);
  }
  return previous[columns];
}

std::optional<std::uint64_t> levenshtein_rows_bounded(Symbols shorter, Symbols longer,
                                                      std::uint64_t bound,
                                                      StringWorkspace& workspace) {
  if (longer.size() - shorter.size() > bound) return std::nullopt;
  const std::size_t columns = shorter.size();
  if (columns == 0) {
    // The length difference already fits the bound.
    return longer.size();
  }
  auto& previous_row = workspace.buffers().rows[0];
  auto& current_row = workspace.buffers().rows[1];
  previous_row.resize(columns + 1);
  current_row.resize(columns + 1);
  std::uint64_t* previous = previous_row.data();
  std::uint64_t* current = current_row.data();
  for (std::size_t i = 0; i <= columns; ++i) previous[i] = i;
  for (std::size_t r = 0; r < longer.size(); ++r) {
    fill_row(shorter, longer[r], r + 1, previous, current);
    if (*std::min_element(current, current + columns + 1) > bound) return std::nullopt;
    std::swap(previous, current);
  }
  const std::uint64_t distance = previous[columns];
  if (distance > bound) return std::nullopt;
  return distance;
}

}  // namespace lumra::internal
