#include "core/strings/graded_dag.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "core/base/cpu_features.h"
#include "core/base/interruption.h"
#include "core/strings/similarity.h"

namespace lumra {

namespace {

bool has_final(const GradedDag& graph) {
  return std::ranges::any_of(graph.final, [](std::uint8_t f) { return f != 0; });
}

std::uint64_t longest_final_depth(const GradedDag& graph) {
  std::uint64_t longest = 0;
  for (std::size_t n = 0; n < graph.node_count(); ++n) {
    if (graph.final[n] != 0) longest = std::max<std::uint64_t>(longest, graph.depth[n]);
  }
  return longest;
}

}  // namespace

std::uint64_t graded_table_work(const GradedDag& left, const GradedDag& right) {
  // Each cell takes its entering arcs on both sides, one by one and by
  // pairs: summed over the table, the product of the sides' arcs and nodes.
  const std::uint64_t left_moves = left.in_arcs.size() + left.node_count();
  const std::uint64_t right_moves = right.in_arcs.size() + right.node_count();
  return left_moves * right_moves;
}

namespace {

std::optional<double> best_by_table(const GradedDag& left, const GradedDag& right,
                                    double reached, std::uint64_t max_cells) {
  const std::uint64_t rows = left.node_count();
  const std::uint64_t cols = right.node_count();
  if (rows * cols > max_cells) return std::nullopt;
  // Every pair's longer length is at most `longest`, and a similarity
  // never shrinks with the longer length: a pair whose distance is past
  // `limit` does not beat `reached`. A distance is at least the gap between
  // the lengths, so only the cells whose depths lie within the limit of
  // each other (the band) can hold one that does; the cells just outside
  // it hold the cap, limit + 1, which the filling reads as "too far" (a
  // table capped at limit + 1 is the uncapped one capped, so the band's
  // cells are exact wherever they are within the limit).
  const std::uint64_t longest =
      std::max(longest_final_depth(left), longest_final_depth(right));
  auto beats = [&](std::uint64_t distance) {
    return similarity_from_distance(distance, longest, longest) > reached;
  };
  if (!beats(0)) return reached;
  std::uint64_t limit = longest;
  while (!beats(limit)) --limit;
  const auto cap = static_cast<std::uint32_t>(limit + 1);
  // column_of_depth[d]: the first right node of depth d (nodes are
  // numbered by depth), cols past the deepest.
  const std::uint32_t deepest = right.depth.back();
  std::vector<std::uint32_t> column_of_depth(std::size_t{deepest} + 2, static_cast<std::uint32_t>(cols));
  for (std::uint32_t f = static_cast<std::uint32_t>(cols); f-- > 0;) column_of_depth[right.depth[f]] = f;
  for (std::uint32_t d = deepest; d-- > 0;) {
    column_of_depth[d] = std::min(column_of_depth[d], column_of_depth[d + 1]);
  }
  auto first_column = [&](std::int64_t d) -> std::uint32_t {
    if (d <= 0) return 0;
    return d > deepest ? static_cast<std::uint32_t>(cols) : column_of_depth[d];
  };
  // table[g * cols + f]: the smallest distance between a string ending at
  // left node g and one ending at right node f, capped. Arcs go from lower
  // numbers to higher, so filling by rows finds every row it reads filled;
  // a row reads only its band, one depth either side of it, and the band
  // of the row above, so no cell is read before it is written. A row is
  // filled move by move over all its band at once, the right arcs taken in
  // the order of the nodes they enter, which keeps the loops plain and free
  // of branches.
  const auto table = std::make_unique_for_overwrite<std::uint32_t[]>(rows * cols);
  const std::size_t arcs = right.in_arcs.size();
  // The column each right arc enters.
  std::vector<std::uint32_t> entered(arcs);
  for (std::uint32_t f = 0; f < cols; ++f) {
    std::fill(entered.begin() + right.first_in[f], entered.begin() + right.first_in[f + 1], f);
  }
  InterruptionPoll poll;
  double best = reached;
  const auto reach = static_cast<std::int64_t>(limit);
  for (std::uint32_t g = 0; g < rows; ++g) {
    std::uint32_t* row = table.get() + std::size_t{g} * cols;
    const std::int64_t depth = left.depth[g];
    const std::uint32_t band_begin = first_column(depth - reach);
    const std::uint32_t band_end = first_column(depth + reach + 1);
    const std::uint32_t arcs_begin = right.first_in[band_begin];
    const std::uint32_t arcs_end = right.first_in[band_end];
    const std::uint32_t g_begin = left.first_in[g];
    const std::uint32_t g_end = left.first_in[g + 1];
    if (poll.stop_after((band_end - band_begin + arcs_end - arcs_begin) * (2 + g_end - g_begin))) {
      return best;
    }
    std::fill(row + first_column(depth - reach - 1), row + first_column(depth + reach + 2), cap);
    if (g == 0) row[0] = 0;
    for (std::uint32_t a = g_begin; a < g_end; ++a) {
      const GradedDag::InArc left_arc = left.in_arcs[a];
      const std::uint32_t* above = table.get() + std::size_t{left_arc.source} * cols;
      // The last symbol of the left string deleted.
      for (std::uint32_t f = band_begin; f < band_end; ++f) row[f] = std::min(row[f], above[f] + 1);
      // Matched or replaced with the last symbol of the right string.
      for (std::size_t k = arcs_begin; k < arcs_end; ++k) {
        const GradedDag::InArc right_arc = right.in_arcs[k];
        const std::uint32_t replaced =
            above[right_arc.source] + (left_arc.symbol != right_arc.symbol ? 1u : 0u);
        row[entered[k]] = std::min(row[entered[k]], replaced);
      }
    }
    // The last symbol of the right string inserted: an arc enters a later
    // column than it leaves, so each column is final when its arcs leave.
    for (std::size_t k = arcs_begin; k < arcs_end; ++k) {
      const std::uint32_t inserted = row[right.in_arcs[k].source] + 1;
      row[entered[k]] = std::min(row[entered[k]], inserted);
    }
    if (left.final[g] == 0) continue;
    for (std::uint32_t f = band_begin; f < band_end; ++f) {
      if (right.final[f] != 0 && row[f] <= limit) {
        best = std::max(best, similarity_from_distance(row[f], left.depth[g], right.depth[f]));
      }
    }
  }
  return best;
}

// The band loops of a row take eight cells an instruction with the wider
// vectors: the table is built a second time for them.
[[gnu::target("avx2"), gnu::flatten]] std::optional<double> best_by_table_avx2(
    const GradedDag& left, const GradedDag& right, double reached, std::uint64_t max_cells) {
  return best_by_table(left, right, reached, max_cells);
}

}  // namespace

std::optional<double> graded_best_similarity(const GradedDag& left, const GradedDag& right,
                                             double reached, std::uint64_t max_cells) {
  if (!has_final(left) || !has_final(right)) return 0.0;
  if (avx2_available()) return best_by_table_avx2(left, right, reached, max_cells);
  return best_by_table(left, right, reached, max_cells);
}

}  // namespace lumra
