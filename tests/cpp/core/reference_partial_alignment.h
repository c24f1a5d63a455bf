// The straightforward plain-string partial alignments, kept as the oracle
// for the swept ones in src/core.
//
// Every span is scored on its own, in enumeration order: the distance form
// builds chain lattices for the query and the span and runs the reference
// lattice search on them (so the state limit is checked span by span), the
// ratio form takes the string similarity of the query and the span. The
// best span is chosen by the plain rule: better score, then shorter, then
// earlier.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <utility>

#include "core/base/cutoff.h"
#include "core/base/errors.h"
#include "core/lattice/lattice.h"
#include "core/lattice/lattice_state_limit.h"
#include "core/alignment/partial_alignment.h"
#include "core/base/result.h"
#include "core/strings/similarity.h"
#include "core/alignment/span_enumeration.h"
#include "core/strings/string_workspace.h"
#include "core/base/symbols.h"
#include "reference_lattice_distance.h"

namespace lumra::reference {

// Scorer: (const TextSpan&) -> Result<std::optional<Form::Score>, CoreError>.
template <class Form, class Scorer>
Result<std::optional<Alignment<typename Form::Score>>, CoreError> search_spans(
    Symbols query, Symbols text, std::uint64_t span_limit, const Form& form, Scorer&& scorer) {
  using Score = typename Form::Score;
  std::optional<Alignment<Score>> best;
  SpanEnumeration spans = enumerate_spans(text, span_limit, query.empty());
  while (std::optional<TextSpan> span = spans.next()) {
    auto scored = scorer(*span);
    if (!scored) return Fail(scored.take_error());
    if (!scored.value()) continue;
    auto admitted = form.template admit<CoreError>(*scored.value());
    if (!admitted) return Fail(admitted.take_error());
    if (!admitted.value()) continue;
    const Score score = *admitted.value();
    const std::uint64_t length = span->end - span->start;
    bool wins = !best || Form::better(score, best->score);
    if (!wins && score == best->score) {
      const std::uint64_t best_length = best->span_end - best->span_start;
      wins = length < best_length || (length == best_length && span->start < best->span_start);
    }
    if (wins) best = Alignment<Score>{score, 0, query.size(), span->start, span->end};
  }
  return best;
}

inline Result<PathLattice, LatticeError> chain_of(Symbols symbols) {
  const std::array<Symbols, 1> one_path{symbols};
  return PathLattice::from_paths(one_path);
}

inline Result<std::optional<Alignment<std::uint64_t>>, CoreError> partial_distance_alignment(
    Symbols query, Symbols text, std::uint64_t max_span_chars,
    std::optional<std::uint64_t> cutoff) {
  using Outcome = Result<std::optional<std::uint64_t>, CoreError>;
  auto scorer = [&](const TextSpan& span) -> Outcome {
    auto states = lattice_state_count(query.size() + 1, span.symbols.size() + 1);
    if (!states) return Fail(CoreError(states.error()));
    auto query_lattice = chain_of(query);
    if (!query_lattice) return Fail(CoreError(query_lattice.error()));
    auto span_lattice = chain_of(span.symbols);
    if (!span_lattice) return Fail(CoreError(span_lattice.error()));
    auto distance =
        lattice_levenshtein_with_cutoff(query_lattice.value(), span_lattice.value(), cutoff);
    if (!distance) return Fail(CoreError(distance.error()));
    return std::optional<std::uint64_t>(distance.value());
  };
  return search_spans(query, text, max_span_chars, DistanceForm{cutoff}, scorer);
}

inline Result<std::optional<Alignment<double>>, CoreError> partial_ratio_alignment(
    Symbols query, Symbols text, std::uint64_t max_span_chars, std::optional<double> cutoff) {
  StringWorkspace workspace;
  auto scorer = [&](const TextSpan& span) -> Result<std::optional<double>, CoreError> {
    return std::optional<double>(string_similarity(query, span.symbols, workspace));
  };
  return search_spans(query, text, max_span_chars, RatioForm{cutoff}, scorer);
}

}  // namespace lumra::reference
