#include "core/strings/cached_metrics.h"

#include <vector>

#include "core/strings/internal/affixes.h"
#include "core/base/cutoff.h"
#include "core/strings/internal/levenshtein_kernels.h"
#include "core/batch/levenshtein_lanes.h"
#include "core/strings/internal/osa_kernels.h"
#include "core/strings/similarity.h"
#include "core/strings/similarity_bound.h"

namespace lumra {

namespace {

// The query's middle after stripping what it shares with `choice`, as a
// view of the query's one-word masks, and the choice's middle.
struct WordMiddles {
  internal::WordPattern pattern;
  Symbols text;
};

WordMiddles word_middles(const internal::PatternMatchWord& table, Symbols query, Symbols choice) {
  auto [query_middle, choice_middle] = internal::strip_common_affixes(query, choice);
  const auto prefix = static_cast<unsigned>(query_middle.data() - query.data());
  // An empty middle has no rows; the offset then stays in range anyway.
  return {{&table, query_middle.empty() ? 0 : prefix, query_middle.size()}, choice_middle};
}

}  // namespace

CachedLevenshtein::CachedLevenshtein(Symbols query) : query_(query) {
  // The masks read the query's own copy, which lives as long as they do.
  if (one_word()) {
    word_.assign(query_.view());
  } else {
    blocks_.assign(query_.view());
  }
}

std::uint64_t CachedLevenshtein::distance(Symbols choice, StringWorkspace& workspace) const {
  if (one_word()) {
    const WordMiddles middles = word_middles(word_, query_.view(), choice);
    return internal::levenshtein_word(middles.pattern, middles.text);
  }
  return internal::levenshtein_blocks(blocks_, choice, workspace);
}

std::optional<std::uint64_t> CachedLevenshtein::distance_within(Symbols choice, std::uint64_t bound,
                                                                StringWorkspace& workspace) const {
  if (one_word()) {
    const WordMiddles middles = word_middles(word_, query_.view(), choice);
    return internal::levenshtein_word_bounded(middles.pattern, middles.text, bound);
  }
  return internal::levenshtein_blocks_bounded(blocks_, choice, bound, workspace);
}

std::uint64_t CachedLevenshtein::distance(Symbols choice, std::optional<std::uint64_t> cutoff,
                                          StringWorkspace& workspace) const {
  if (!cutoff) return distance(choice, workspace);
  return apply_integer_cutoff(distance_within(choice, *cutoff, workspace), *cutoff);
}

void CachedLevenshtein::distances(std::span<const SymbolString> choices,
                                  std::optional<std::uint64_t> cutoff, StringWorkspace& workspace,
                                  std::uint64_t* out) const {
  // With a cutoff, choice by choice: the bounded form's early exits beat
  // lanes, which have to run every column of every choice.
  if (!one_word() || cutoff) {
    for (std::size_t i = 0; i < choices.size(); ++i)
      out[i] = distance(choices[i], cutoff, workspace);
    return;
  }
  // Comparisons wait here until a few groups of lanes are full.
  constexpr std::size_t kBatch = 16;
  internal::WordComparison batch[kBatch];
  std::size_t batch_cell[kBatch];
  std::uint64_t batch_distance[kBatch];
  std::size_t pending = 0;
  auto flush = [&] {
    internal::levenshtein_word_lanes({batch, pending}, batch_distance);
    for (std::size_t b = 0; b < pending; ++b) out[batch_cell[b]] = batch_distance[b];
    pending = 0;
  };
  for (std::size_t i = 0; i < choices.size(); ++i) {
    const WordMiddles middles = word_middles(word_, query_.view(), choices[i].view());
    if (middles.pattern.length == 0 || middles.text.empty()) {
      out[i] = middles.pattern.length + middles.text.size();
      continue;
    }
    batch[pending] = {middles.pattern, middles.text};
    batch_cell[pending++] = i;
    if (pending == kBatch) flush();
  }
  if (pending > 0) flush();
}

CachedOsa::CachedOsa(Symbols query) : query_(query) {
  // The masks read the query's own copy, which lives as long as they do.
  if (one_word()) {
    word_.assign(query_.view());
  } else {
    blocks_.assign(query_.view());
  }
}

std::uint64_t CachedOsa::distance(Symbols choice, StringWorkspace& workspace) const {
  if (one_word()) {
    const WordMiddles middles = word_middles(word_, query_.view(), choice);
    return internal::osa_word(middles.pattern, middles.text);
  }
  return internal::osa_blocks(blocks_, choice, workspace);
}

BoundedDistance CachedOsa::distance_within(Symbols choice, std::uint64_t bound,
                                           StringWorkspace& workspace) const {
  if (one_word()) {
    const WordMiddles middles = word_middles(word_, query_.view(), choice);
    return internal::osa_word_bounded(middles.pattern, middles.text, bound);
  }
  return internal::osa_blocks_bounded(blocks_, choice, bound, workspace);
}

std::uint64_t CachedOsa::distance(Symbols choice, std::optional<std::uint64_t> cutoff,
                                  StringWorkspace& workspace) const {
  if (!cutoff) return distance(choice, workspace);
  return apply_integer_cutoff(distance_within(choice, *cutoff, workspace), *cutoff);
}

void CachedOsa::distances(std::span<const SymbolString> choices,
                          std::optional<std::uint64_t> cutoff, StringWorkspace& workspace,
                          std::uint64_t* out) const {
  for (std::size_t i = 0; i < choices.size(); ++i) out[i] = distance(choices[i], cutoff, workspace);
}

double CachedSimilarity::similarity(Symbols choice, StringWorkspace& workspace) const {
  const Symbols query = levenshtein_.query();
  return similarity_from_distance(levenshtein_.distance(choice, workspace), query.size(),
                                  choice.size());
}

Result<double, CutoffOutOfRange> CachedSimilarity::normalized_similarity(
    Symbols choice, std::optional<double> cutoff, StringWorkspace& workspace) const {
  if (!cutoff) return similarity(choice, workspace);
  if (!fractional_cutoff_in_range(*cutoff)) return Fail(CutoffOutOfRange{});
  const std::uint64_t query_length = levenshtein_.query().size();
  const std::uint64_t bound = largest_distance_for_similarity(*cutoff, query_length, choice.size());
  const auto distance = levenshtein_.distance_within(choice, bound, workspace);
  if (!distance) return 0.0;
  return apply_similarity_cutoff(similarity_from_distance(*distance, query_length, choice.size()),
                                 cutoff);
}

Result<double, CutoffOutOfRange> CachedSimilarity::normalized_distance(
    Symbols choice, std::optional<double> cutoff, StringWorkspace& workspace) const {
  if (!cutoff) return 1.0 - similarity(choice, workspace);
  if (!fractional_cutoff_in_range(*cutoff)) return Fail(CutoffOutOfRange{});
  const std::uint64_t query_length = levenshtein_.query().size();
  const std::uint64_t bound =
      largest_distance_for_normalized_distance(*cutoff, query_length, choice.size());
  const auto distance = levenshtein_.distance_within(choice, bound, workspace);
  if (!distance) return 1.0;
  return apply_distance_cutoff(
      1.0 - similarity_from_distance(*distance, query_length, choice.size()), cutoff);
}

namespace {

// The row forms of the normalized scores: without a cutoff and with a
// one-word query the row's distances come from the lanes; otherwise choice
// by choice, where a cutoff bounds the distance.
template <class Score, class Single>
Status<CutoffOutOfRange> scores_of_row(const CachedLevenshtein& levenshtein,
                                       std::span<const SymbolString> choices,
                                       std::optional<double> cutoff, StringWorkspace& workspace,
                                       double* out, Score score, Single single) {
  if (choices.empty()) return Unit{};
  if (cutoff && !fractional_cutoff_in_range(*cutoff)) return Fail(CutoffOutOfRange{});
  if (!levenshtein.one_word() || cutoff) {
    for (std::size_t i = 0; i < choices.size(); ++i) out[i] = single(choices[i].view()).value();
    return Unit{};
  }
  std::vector<std::uint64_t>& distances = workspace.buffers().row_distances;
  distances.resize(choices.size());
  levenshtein.distances(choices, std::nullopt, workspace, distances.data());
  const std::uint64_t query_length = levenshtein.query().size();
  for (std::size_t i = 0; i < choices.size(); ++i) {
    out[i] = score(similarity_from_distance(distances[i], query_length, choices[i].size()));
  }
  return Unit{};
}

}  // namespace

Status<CutoffOutOfRange> CachedSimilarity::normalized_similarities(
    std::span<const SymbolString> choices, std::optional<double> cutoff, StringWorkspace& workspace,
    double* out) const {
  return scores_of_row(
      levenshtein_, choices, cutoff, workspace, out,
      [&](double similarity) { return apply_similarity_cutoff(similarity, cutoff).value(); },
      [&](Symbols choice) { return normalized_similarity(choice, cutoff, workspace); });
}

Status<CutoffOutOfRange> CachedSimilarity::normalized_distances(
    std::span<const SymbolString> choices, std::optional<double> cutoff, StringWorkspace& workspace,
    double* out) const {
  return scores_of_row(
      levenshtein_, choices, cutoff, workspace, out,
      [&](double similarity) { return apply_distance_cutoff(1.0 - similarity, cutoff).value(); },
      [&](Symbols choice) { return normalized_distance(choice, cutoff, workspace); });
}

}  // namespace lumra
