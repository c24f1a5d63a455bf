// How far a fractional cutoff lets the distance go.
//
// A similarity below its cutoff is reported as 0.0 and a normalized distance
// above its cutoff as 1.0, whatever the exact distance. Both scores are
// monotone in the distance (1 - d / max(a, b), rounded, then clamped), so a
// cutoff admits every distance up to some largest one and none beyond it. A
// bounded distance with that bound then gives the same reported score as
// the full distance, and stops early on hopeless pairs.
#pragma once

#include <cstdint>

namespace lumra {

// The largest distance d (at most max(a, b)) whose similarity between
// texts of lengths a and b is not below `cutoff`; `cutoff` in [0, 1].
std::uint64_t largest_distance_for_similarity(double cutoff, std::uint64_t a, std::uint64_t b);

// The largest distance whose normalized distance is not above `cutoff`;
// `cutoff` in [0, 1].
std::uint64_t largest_distance_for_normalized_distance(double cutoff, std::uint64_t a,
                                                       std::uint64_t b);

}  // namespace lumra
