#include "core/alignment/partial_alignment.h"

#include <optional>

#include "core/base/cutoff.h"
#include "core/lattice/lattice_state_limit.h"
#include "core/strings/similarity.h"
#include "core/alignment/span_distances.h"

namespace lumra {

// Both plain forms score a span by the Levenshtein distance of the query to
// it. The search asks for the spans by start and then by growing length,
// so SpanDistances sweeps each start once instead of comparing each span
// from scratch.

Result<std::optional<Alignment<std::uint64_t>>, CoreError> partial_distance_alignment(
    Symbols query, Symbols text, std::uint64_t max_span_chars,
    std::optional<std::uint64_t> cutoff) {
  using Outcome = Result<std::optional<std::uint64_t>, CoreError>;
  // Created at the first span that passes the state limit: a query too long
  // for any span then fails without its column ever being allocated.
  std::optional<SpanDistances> distances;

  auto scorer = [&](const TextSpan& span) -> Outcome {
    // The span is scored as the distance between the chain lattices of the
    // query and the span, whose search is bound by the state limit; a chain
    // has one node more than symbols. For single-path lattices that
    // distance is the string distance, so the lattices themselves need not
    // be built.
    auto states = lattice_state_count(query.size() + 1, span.symbols.size() + 1);
    if (!states) return Fail(CoreError(states.error()));
    if (!distances) distances.emplace(query, text);
    const std::uint64_t distance = distances->distance(span);
    // The bounded search reports a distance beyond the cutoff as cutoff + 1.
    if (cutoff && distance > *cutoff) return std::optional<std::uint64_t>(exceeded_cutoff(*cutoff));
    return std::optional<std::uint64_t>(distance);
  };
  return partial_alignment(query, text, max_span_chars, DistanceForm{cutoff}, scorer);
}

Result<std::optional<Alignment<double>>, CoreError> partial_ratio_alignment(
    Symbols query, Symbols text, std::uint64_t max_span_chars, std::optional<double> cutoff) {
  SpanDistances distances(query, text);
  auto scorer = [&](const TextSpan& span) -> Result<std::optional<double>, CoreError> {
    // The string similarity of the query and the span, from the same
    // distance string_similarity would compute.
    return std::optional<double>(
        similarity_from_distance(distances.distance(span), query.size(), span.symbols.size()));
  };
  return partial_alignment(query, text, max_span_chars, RatioForm{cutoff}, scorer);
}

}  // namespace lumra
