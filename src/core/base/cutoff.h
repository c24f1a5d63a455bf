// How score cutoffs act on results.
//
// Integer distances: with cutoff k, a distance of at most k is reported as
// it is and a larger one as k + 1 (saturating), so the caller can tell the
// two apart by comparing with k.
//
// Fractional scores: the cutoff must lie in [0, 1]; a similarity below it
// becomes 0.0 and a normalized distance above it becomes 1.0.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>

#include "core/base/errors.h"
#include "core/strings/osa.h"
#include "core/base/result.h"

namespace lumra {

inline std::uint64_t exceeded_cutoff(std::uint64_t cutoff) {
  return cutoff == std::numeric_limits<std::uint64_t>::max() ? cutoff : cutoff + 1;
}

inline std::uint64_t apply_integer_cutoff(std::optional<std::uint64_t> bounded,
                                          std::uint64_t cutoff) {
  return bounded ? *bounded : exceeded_cutoff(cutoff);
}

inline std::uint64_t apply_integer_cutoff(BoundedDistance bounded, std::uint64_t cutoff) {
  return bounded.within ? bounded.value : exceeded_cutoff(cutoff);
}

// NaN fails both comparisons and so is out of range.
inline bool fractional_cutoff_in_range(double cutoff) { return cutoff >= 0.0 && cutoff <= 1.0; }

inline Result<double, CutoffOutOfRange> apply_similarity_cutoff(double similarity,
                                                                std::optional<double> cutoff) {
  if (!cutoff) return similarity;
  if (!fractional_cutoff_in_range(*cutoff)) return Fail(CutoffOutOfRange{});
  return similarity < *cutoff ? 0.0 : similarity;
}

inline Result<double, CutoffOutOfRange> apply_distance_cutoff(double distance,
                                                              std::optional<double> cutoff) {
  if (!cutoff) return distance;
  if (!fractional_cutoff_in_range(*cutoff)) return Fail(CutoffOutOfRange{});
  return distance > *cutoff ? 1.0 : distance;
}

}  // namespace lumra
