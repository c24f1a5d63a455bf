#include "core/lattice/combined_text_distance.h"

#include <algorithm>
#include <type_traits>

#include "core/base/cutoff.h"
#include "core/lattice/lattice_distance.h"
#include "core/strings/string_metrics.h"

namespace lumra {

namespace {

template <class Lattice>
Result<std::uint64_t, DistanceMatrixTooLarge> combined(Symbols left_text, Symbols right_text,
                                                       const Lattice& left_lattice,
                                                       const Lattice& right_lattice,
                                                       std::optional<std::uint64_t> cutoff,
                                                       StringWorkspace& string_workspace,
                                                       LatticeWorkspace& lattice_workspace) {
  const std::uint64_t surface = osa_with_cutoff(left_text, right_text, cutoff, string_workspace);
  auto reading = [&] {
    if constexpr (std::is_same_v<Lattice, PreparedLattice>) {
      return lattice_distance_with_cutoff(LatticeMetric::kLevenshtein, left_lattice,
                                          right_lattice, cutoff, lattice_workspace);
    } else {
      return lattice_levenshtein_with_cutoff(left_lattice, right_lattice, cutoff,
                                             lattice_workspace);
    }
  }();
  if (!reading) return Fail(reading.error());
  const std::uint64_t closer = std::min(surface, reading.value());
  if (cutoff && closer > *cutoff) return exceeded_cutoff(*cutoff);
  return closer;
}

}  // namespace

Result<std::uint64_t, DistanceMatrixTooLarge> combined_text_distance(
    Symbols left_text, Symbols right_text, const PathLattice& left_lattice,
    const PathLattice& right_lattice, std::optional<std::uint64_t> cutoff,
    StringWorkspace& string_workspace, LatticeWorkspace& lattice_workspace) {
  return combined(left_text, right_text, left_lattice, right_lattice, cutoff, string_workspace,
                  lattice_workspace);
}

Result<std::uint64_t, DistanceMatrixTooLarge> combined_text_distance(
    Symbols left_text, Symbols right_text, const PreparedLattice& left_lattice,
    const PreparedLattice& right_lattice, std::optional<std::uint64_t> cutoff,
    StringWorkspace& string_workspace, LatticeWorkspace& lattice_workspace) {
  return combined(left_text, right_text, left_lattice, right_lattice, cutoff, string_workspace,
                  lattice_workspace);
}

}  // namespace lumra
