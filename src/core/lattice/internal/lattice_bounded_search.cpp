#include "core/lattice/internal/lattice_bounded_search.h"

#include <cstddef>
#include <utility>

#include "core/base/interruption.h"
#include "core/lattice/lattice_distance.h"
#include "core/lattice/internal/node_steps.h"
#include "core/lattice/internal/reached_states.h"

namespace lumra::internal {

namespace {

// Every move costs 0 or 1, so the search runs level by level in order of
// distance (a bucketed shortest-path search): the states of distance d are
// expanded, in any order, before any of distance d + 1. A match keeps the
// state on the current level, every other move puts it on the next one,
// and no move is taken beyond the bound. A state is expanded once, at its
// final distance; a queued entry whose state has since come closer is
// stale and skipped. The end pair therefore leaves the search at its true
// distance, and the search can stop there. Only states within the bound
// are stored (reached_states.h), and none beyond the start..end ranges:
// nodes only grow along arcs, so those never lead to the end pair.
template <bool kDamerau>
BoundedSearchOutcome search(const PreparedLattice& left, const PreparedLattice& right,
                            std::uint64_t bound, LatticeWorkspace& workspace) {
  const NodeSteps& from_left = left.steps();
  const NodeSteps& from_right = right.steps();
  // Both fit in 32 bits, and so does every state number: their product is
  // within the state limit.
  const std::uint32_t rows = left.span();
  const std::uint32_t cols = right.span();
  const std::uint32_t end_state = rows * cols - 1;
  ReachedStates& reached = workspace.reached;
  std::vector<std::uint32_t>& level = workspace.level;
  std::vector<std::uint32_t>& next_level = workspace.next_level;
  reached.reset(rows * cols);
  level.clear();
  next_level.clear();

  reached.lower(0, 0);
  level.push_back(0);
  // Interrupted (interruption.h), the search ends as if the end pair were
  // beyond the bound.
  InterruptionPoll poll;
  // A real distance stays below the sum of the node counts, so `d` and
  // `d + 1` never overflow, and both fit the 32-bit distances of `reached`.
  for (std::uint64_t d = 0; !level.empty(); ++d) {
    const auto here = static_cast<std::uint32_t>(d);
    auto relax = [&](std::uint32_t r, std::uint32_t c, std::uint32_t cost) {
      if (cost > bound) return;
      const std::uint32_t state = r * cols + c;
      if (reached.lower(state, cost)) (cost == here ? level : next_level).push_back(state);
    };
    // Matches append to `level` while it is walked, hence the index.
    for (std::size_t k = 0; k < level.size(); ++k) {
      const std::uint32_t state = level[k];
      if (reached.distance(state) != here) continue;  // stale
      if (poll.stop_after(16)) return {false, kLatticeInfinity};
      if (state == end_state) return {true, d};
      const std::uint32_t i = state / cols;
      const std::uint32_t j = state % cols;
      const auto xs = from_left.of(i);
      const auto ys = from_right.of(j);
      for (const Step& y : ys) relax(i, y.node, here + 1);  // insertions
      for (const Step& x : xs) {
        relax(x.node, j, here + 1);  // deletion
        for (const Step& y : ys) relax(x.node, y.node, x.symbol != y.symbol ? here + 1 : here);
        if constexpr (kDamerau) {
          // x x2 on the left against y y2 on the right, crossed.
          for (const Step& y : ys) {
            for (const Step& x2 : from_left.of(x.node)) {
              if (x2.symbol != y.symbol) continue;
              for (const Step& y2 : from_right.of(y.node)) {
                if (y2.symbol == x.symbol) relax(x2.node, y2.node, here + 1);
              }
            }
          }
        }
      }
    }
    level.clear();
    level.swap(next_level);
  }
  return {false, kLatticeInfinity};
}

}  // namespace

BoundedSearchOutcome levenshtein_bounded_search(const PreparedLattice& left,
                                                const PreparedLattice& right, std::uint64_t bound,
                                                LatticeWorkspace& workspace) {
  return search<false>(left, right, bound, workspace);
}

BoundedSearchOutcome damerau_bounded_search(const PreparedLattice& left,
                                            const PreparedLattice& right, std::uint64_t bound,
                                            LatticeWorkspace& workspace) {
  return search<true>(left, right, bound, workspace);
}

}  // namespace lumra::internal
