#include "core/strings/similarity.h"

#include <algorithm>

#include "core/strings/levenshtein.h"

namespace lumra {

double string_similarity(Symbols left, Symbols right, StringWorkspace& workspace) {
  return similarity_from_distance(levenshtein(left, right, workspace), left.size(), right.size());
}

double best_pair_similarity(PathListView left, PathListView right, StringWorkspace& workspace) {
  double best = 0.0;
  for (std::size_t l = 0; l < left.size(); ++l) {
    for (std::size_t r = 0; r < right.size(); ++r) {
      const double s = string_similarity(left[l], right[r], workspace);
      if (s > best) best = s;
      if (best == 1.0) return best;
    }
  }
  return best;
}

}  // namespace lumra
