#include "ja/reading/pair_similarity.h"

#include "core/strings/cached_metrics.h"
#include "core/strings/similarity.h"
#include "core/strings/similarity_bound.h"

namespace lumra::ja {

double pruned_best_pair_similarity(PathListView left, PathListView right,
                                   StringWorkspace& workspace) {
  double best = 0.0;
  if (left.empty() || right.empty()) return best;
  for (std::size_t l = 0; l < left.size(); ++l) {
    const Symbols a = left[l];
    const CachedLevenshtein query(a);
    for (std::size_t r = 0; r < right.size(); ++r) {
      const Symbols b = right[r];
      // Every distance that reaches `best` is within the bound; nothing
      // beyond it can raise `best`.
      const std::uint64_t bound = largest_distance_for_similarity(best, a.size(), b.size());
      const std::uint64_t gap = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
      if (gap > bound) continue;
      const std::optional<std::uint64_t> distance = query.distance_within(b, bound, workspace);
      if (!distance) continue;
      const double similarity = similarity_from_distance(*distance, a.size(), b.size());
      if (similarity > best) best = similarity;
      if (best == 1.0) return best;
    }
  }
  return best;
}

}  // namespace lumra::ja
