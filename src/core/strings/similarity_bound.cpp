#include "core/strings/similarity_bound.h"

#include <algorithm>
#include <cmath>

#include "core/strings/similarity.h"

namespace lumra {

namespace {

// The largest d in [0, longer] with admits(d), for a predicate that holds at
// 0 and, once false, stays false. `fraction` of the longer length is where
// the exact arithmetic puts it, off by rounding only, so the walks from
// there take a step or two.
template <class Admits>
std::uint64_t largest_admitted(double fraction, std::uint64_t longer, Admits admits) {
  const double estimate = std::floor(fraction * static_cast<double>(longer));
  std::uint64_t d = estimate <= 0.0 ? 0
                    : estimate >= static_cast<double>(longer)
                        ? longer
                        : static_cast<std::uint64_t>(estimate);
  while (d > 0 && !admits(d)) --d;
  while (d < longer && admits(d + 1)) ++d;
  return d;
}

}  // namespace

std::uint64_t largest_distance_for_similarity(double cutoff, std::uint64_t a, std::uint64_t b) {
  // 1 - d / longer >= cutoff: d up to (1 - cutoff) of the longer length.
  return largest_admitted(1.0 - cutoff, std::max(a, b), [&](std::uint64_t d) {
    return !(similarity_from_distance(d, a, b) < cutoff);
  });
}

std::uint64_t largest_distance_for_normalized_distance(double cutoff, std::uint64_t a,
                                                       std::uint64_t b) {
  // d / longer <= cutoff: d up to the cutoff's fraction of the longer length.
  return largest_admitted(cutoff, std::max(a, b), [&](std::uint64_t d) {
    return !(1.0 - similarity_from_distance(d, a, b) > cutoff);
  });
}

}  // namespace lumra
