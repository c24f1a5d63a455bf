#include "core/strings/graded_dag.h"

#include <algorithm>
#include <limits>

#include "core/base/interruption.h"
#include "core/strings/similarity.h"

namespace lumra {

namespace {

bool has_final(const GradedDag& graph) {
  return std::ranges::any_of(graph.final, [](std::uint8_t f) { return f != 0; });
}

}  // namespace

std::uint64_t graded_table_work(const GradedDag& left, const GradedDag& right) {
  // Each cell takes its entering arcs on both sides, one by one and by
  // pairs: summed over the table, the product of the sides' arcs and nodes.
  const std::uint64_t left_moves = left.in_arcs.size() + left.node_count();
  const std::uint64_t right_moves = right.in_arcs.size() + right.node_count();
  return left_moves * right_moves;
}

std::optional<double> graded_best_similarity(const GradedDag& left, const GradedDag& right,
                                             std::uint64_t max_cells) {
  if (!has_final(left) || !has_final(right)) return 0.0;
  const std::uint64_t rows = left.node_count();
  const std::uint64_t cols = right.node_count();
  if (rows * cols > max_cells) return std::nullopt;
  // table[g * cols + f]: the smallest distance between a string ending at
  // left node g and one ending at right node f. Arcs go from lower numbers
  // to higher, so filling by rows finds every row it reads filled. A row
  // is filled move by move over all its columns at once, the right arcs
  // taken in the order of the nodes they enter, which keeps the loops
  // plain and free of branches.
  std::vector<std::uint32_t> table(rows * cols);
  constexpr std::uint32_t kFar = std::numeric_limits<std::uint32_t>::max() / 2;
  const std::size_t arcs = right.in_arcs.size();
  // The column each right arc enters.
  std::vector<std::uint32_t> entered(arcs);
  for (std::uint32_t f = 0; f < cols; ++f) {
    std::fill(entered.begin() + right.first_in[f], entered.begin() + right.first_in[f + 1], f);
  }
  InterruptionPoll poll;
  double best = 0.0;
  for (std::uint32_t g = 0; g < rows; ++g) {
    std::uint32_t* row = table.data() + std::size_t{g} * cols;
    const std::uint32_t g_begin = left.first_in[g];
    const std::uint32_t g_end = left.first_in[g + 1];
    if (poll.stop_after((cols + arcs) * (2 + g_end - g_begin))) return best;
    std::fill(row, row + cols, kFar);
    if (g == 0) row[0] = 0;
    for (std::uint32_t a = g_begin; a < g_end; ++a) {
      const GradedDag::InArc left_arc = left.in_arcs[a];
      const std::uint32_t* above = table.data() + std::size_t{left_arc.source} * cols;
      // The last symbol of the left string deleted.
      for (std::uint32_t f = 0; f < cols; ++f) row[f] = std::min(row[f], above[f] + 1);
      // Matched or replaced with the last symbol of the right string.
      for (std::size_t k = 0; k < arcs; ++k) {
        const GradedDag::InArc right_arc = right.in_arcs[k];
        const std::uint32_t replaced =
            above[right_arc.source] + (left_arc.symbol != right_arc.symbol ? 1u : 0u);
        row[entered[k]] = std::min(row[entered[k]], replaced);
      }
    }
    // The last symbol of the right string inserted: an arc enters a later
    // column than it leaves, so each column is final when its arcs leave.
    for (std::size_t k = 0; k < arcs; ++k) {
      const std::uint32_t inserted = row[right.in_arcs[k].source] + 1;
      row[entered[k]] = std::min(row[entered[k]], inserted);
    }
    if (left.final[g] == 0) continue;
    for (std::uint32_t f = 0; f < cols; ++f) {
      if (right.final[f] != 0) {
        best = std::max(best, similarity_from_distance(row[f], left.depth[g], right.depth[f]));
      }
    }
  }
  return best;
}

}  // namespace lumra
