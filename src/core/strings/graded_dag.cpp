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
  // to higher, so filling by rows, each row by columns, finds every cell
  // it reads already filled.
  std::vector<std::uint32_t> table(rows * cols);
  InterruptionPoll poll;
  double best = 0.0;
  for (std::uint32_t g = 0; g < rows; ++g) {
    const GradedDag::InArc* g_begin = left.in_arcs.data() + left.first_in[g];
    const GradedDag::InArc* g_end = left.in_arcs.data() + left.first_in[g + 1];
    std::uint32_t* row = table.data() + std::size_t{g} * cols;
    if (poll.stop_after(cols * (1 + (g_end - g_begin)))) return best;
    for (std::uint32_t f = 0; f < cols; ++f) {
      const GradedDag::InArc* f_begin = right.in_arcs.data() + right.first_in[f];
      const GradedDag::InArc* f_end = right.in_arcs.data() + right.first_in[f + 1];
      std::uint32_t distance = g == 0 && f == 0 ? 0 : std::numeric_limits<std::uint32_t>::max();
      // The last symbol of the left string deleted, or matched or replaced
      // with the last of the right one.
      for (const GradedDag::InArc* a = g_begin; a != g_end; ++a) {
        const std::uint32_t* above = table.data() + std::size_t{a->source} * cols;
        distance = std::min(distance, above[f] + 1);
        for (const GradedDag::InArc* b = f_begin; b != f_end; ++b) {
          distance = std::min(distance, above[b->source] + (a->symbol != b->symbol ? 1u : 0u));
        }
      }
      // The last symbol of the right string inserted.
      for (const GradedDag::InArc* b = f_begin; b != f_end; ++b) {
        distance = std::min(distance, row[b->source] + 1);
      }
      row[f] = distance;
      if (left.final[g] != 0 && right.final[f] != 0) {
        best = std::max(best, similarity_from_distance(distance, left.depth[g], right.depth[f]));
      }
    }
  }
  return best;
}

}  // namespace lumra
