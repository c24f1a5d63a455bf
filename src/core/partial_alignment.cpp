#include "core/partial_alignment.h"

#include <array>
#include <utility>

#include "core/lattice.h"
#include "core/lattice_distance.h"
#include "core/lattice_state_limit.h"
#include "core/lattice_workspace.h"
#include "core/similarity.h"
#include "core/string_workspace.h"

namespace lumra {

namespace {

// The single-path lattice of one string; the empty string gets the
// one-node lattice.
Result<PathLattice, LatticeError> chain_of(Symbols symbols) {
  const std::array<Symbols, 1> one_path{symbols};
  return PathLattice::from_paths(one_path);
}

}  // namespace

Result<std::optional<Alignment<std::uint64_t>>, CoreError> partial_distance_alignment(
    Symbols query, Symbols text, std::uint64_t max_span_chars,
    std::optional<std::uint64_t> cutoff) {
  using Outcome = Result<std::optional<std::uint64_t>, CoreError>;
  // Built at the first span that passes the state limit: a query too long
  // for any span then fails without its lattice ever being allocated.
  std::optional<PathLattice> query_lattice;
  // One workspace for all spans: every search initialises what it reads,
  // so reuse only saves the allocations.
  LatticeWorkspace workspace;

  auto scorer = [&](const TextSpan& span) -> Outcome {
    // A chain lattice has one node more than symbols, so the limit can be
    // checked before either lattice is built.
    auto states = lattice_state_count(query.size() + 1, span.symbols.size() + 1);
    if (!states) return Fail(CoreError(states.error()));
    if (!query_lattice) {
      auto built = chain_of(query);
      if (!built) return Fail(CoreError(built.error()));
      query_lattice.emplace(std::move(built).value());
    }
    auto span_lattice = chain_of(span.symbols);
    if (!span_lattice) return Fail(CoreError(span_lattice.error()));
    auto distance =
        lattice_levenshtein_with_cutoff(*query_lattice, span_lattice.value(), cutoff, workspace);
    if (!distance) return Fail(CoreError(distance.error()));
    return std::optional<std::uint64_t>(distance.value());
  };
  return partial_alignment(query, text, max_span_chars, DistanceForm{cutoff}, scorer);
}

Result<std::optional<Alignment<double>>, CoreError> partial_ratio_alignment(
    Symbols query, Symbols text, std::uint64_t max_span_chars, std::optional<double> cutoff) {
  StringWorkspace workspace;
  auto scorer = [&](const TextSpan& span) -> Result<std::optional<double>, CoreError> {
    return std::optional<double>(string_similarity(query, span.symbols, workspace));
  };
  return partial_alignment(query, text, max_span_chars, RatioForm{cutoff}, scorer);
}

}  // namespace lumra
