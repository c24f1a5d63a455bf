#include "core/lattice/internal/fill_columns.h"

namespace lumra::internal {

void FillColumns::plan(const NodeSteps& into_right, std::uint32_t cols, bool damerau) {
  segments.clear();
  simple.assign(cols, 0);
  source.resize(cols);
  symbol.resize(cols);
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
}

}  // namespace lumra::internal
