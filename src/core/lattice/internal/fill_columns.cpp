#include "core/lattice/internal/fill_columns.h"

#include <algorithm>

#include "core/lattice/internal/fill_cells.h"
#include "core/lattice/internal/table_rows.h"
#include "core/lattice/lattice_state_limit.h"

namespace lumra::internal {

void FillColumns::plan(const NodeSteps& into_right, std::uint32_t cols, bool damerau) {
  segments.clear();
  simple.assign(cols, 0);
  source.resize(cols);
  // Padded to whole lanes, which a lane fill (lane_rows.h) reads.
  symbol.resize(lane_width(cols));
  std::fill(symbol.begin() + cols, symbol.end(), Symbol{0});
  if (damerau) {
    has_before.assign(cols, 0);
    source_before.resize(cols);
    symbol_before.resize(cols);
  }
  auto adjacent = [this](std::uint32_t c) { return simple[c] && source[c] + 1 == c; };
  for (std::uint32_t c = 0; c < cols; ++c) {
    const auto ys = into_right.of(c);
    if (ys.size() == 1) {
      const auto before = into_right.of(ys[0].node);
      if (!damerau || before.size() <= 1) {
        simple[c] = 1;
        source[c] = ys[0].node;
        symbol[c] = ys[0].symbol;
        if (damerau && !before.empty()) {
          has_before[c] = 1;
          source_before[c] = before[0].node;
          symbol_before[c] = before[0].symbol;
        }
      }
    }
    const bool follower = adjacent(c) && (!damerau || adjacent(c - 1));
    if (follower) {
      segments.back().end = c + 1;  // a follower is never column 0
    } else if (!segments.empty() && segments.back().followers == segments.back().end) {
      segments.back().followers = segments.back().end = c + 1;
    } else {
      segments.push_back({c, c + 1, c + 1});
    }
  }
  heads.clear();
  start_row.clear();
  lanes_planned = !damerau && cols >= kRowLanes &&
                  std::uint64_t{lane_width(cols)} + kRowLanes <= kMaxLatticeStates;
  if (!lanes_planned) return;
  // As the reference row fill computes it (any_row_by_arcs): no way in but
  // the start pair's 0 and the insertions.
  start_row.assign(lane_width(cols), table_fill::kUnreached);
  start_row[0] = 0;
  for (std::uint32_t c = 1; c < cols; ++c) {
    for (const Step& y : into_right.of(c)) {
      start_row[c] = std::min(start_row[c], start_row[y.node] + 1);
    }
  }
  for (const auto [begin, followers, end] : segments) {
    for (std::uint32_t c = begin; c < followers; ++c) {
      const auto ys = into_right.of(c);
      const auto first = static_cast<std::uint32_t>(ys.data() - into_right.all());
      heads.push_back({c, c + 1 == followers ? end : c + 1, first,
                       first + static_cast<std::uint32_t>(ys.size())});
    }
  }
}

}  // namespace lumra::internal
