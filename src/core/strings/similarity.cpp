#include "core/strings/similarity.h"

#include <algorithm>

#include "core/base/interruption.h"
#include "core/strings/levenshtein.h"

namespace lumra {

double string_similarity(Symbols left, Symbols right, StringWorkspace& workspace) {
  return similarity_from_distance(levenshtein(left, right, workspace), left.size(), right.size());
}

double best_pair_similarity(PathListView left, PathListView right, StringWorkspace& workspace) {
  double best = 0.0;
  // Many paths a side make many pairs; a stopped call returns what it has,
  // which the caller discards.
  InterruptionPoll poll;
  for (std::size_t l = 0; l < left.size(); ++l) {
    for (std::size_t r = 0; r < right.size(); ++r) {
      if (poll.stop_after((left[l].size() + 1) * (right[r].size() + 1) / 64 + 1)) return best;
      const double s = string_similarity(left[l], right[r], workspace);
      if (s > best) best = s;
      if (best == 1.0) return best;
    }
  }
  return best;
}

}  // namespace lumra
