#include "core/strings/cached_metrics.h"

#include <algorithm>
#include <vector>

#include "core/strings/internal/affixes.h"
#include "core/base/cutoff.h"
#include "core/strings/internal/column_kernels.h"
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
    return;
  }
  if (internal::AnyPatternMatchWords::fits(query_.size())) words_.assign(query_.view());
  blocks_.assign(query_.view());
}

std::uint64_t CachedLevenshtein::distance(Symbols choice, StringWorkspace& workspace) const {
  if (one_word()) {
    const WordMiddles middles = word_middles(word_, query_.view(), choice);
    return internal::levenshtein_word(middles.pattern, middles.text);
  }
  if (internal::AnyPatternMatchWords::fits(query_.size())) {
    return words_.visit([&](const auto& table) { return internal::levenshtein_words(table, choice); });
  }
  return internal::levenshtein_blocks(blocks_, choice, workspace);
}

std::optional<std::uint64_t> CachedLevenshtein::distance_within(Symbols choice, std::uint64_t bound,
                                                                StringWorkspace& workspace) const {
  if (one_word()) {
    // The middles differ in length as the texts do, so most choices of a
    // tight bound are turned away before their affixes are looked at.
    if (internal::length_difference(query_.size(), choice.size()) > bound) return std::nullopt;
    const WordMiddles middles = word_middles(word_, query_.view(), choice);
    return internal::levenshtein_word_bounded(middles.pattern, middles.text, bound);
  }
  // A bound below a word's width slides one word along the band over the
  // middles, its masks cut out of the query's table at the offset of the
  // query's middle, so stripping costs nothing here either.
  const Symbols query = query_.view();
  const std::size_t difference =
      query.size() > choice.size() ? query.size() - choice.size() : choice.size() - query.size();
  if (difference > bound) return std::nullopt;
  auto [query_middle, choice_middle] = internal::strip_common_affixes(query, choice);
  if (query_middle.empty()) return choice_middle.size();  // the difference, within the bound
  if (choice_middle.empty()) return query_middle.size();
  if (internal::fits_narrow_band(query_middle.size(), choice_middle.size(), bound)) {
    const auto offset = static_cast<std::size_t>(query_middle.data() - query.data());
    return internal::within_or_nothing(internal::levenshtein_narrow_band(
        blocks_, offset, query_middle.size(), choice_middle, bound));
  }
  if (internal::AnyPatternMatchWords::fits(query_.size())) {
    return words_.visit([&](const auto& table) {
      return internal::levenshtein_words_bounded(table, choice, bound);
    });
  }
  return internal::levenshtein_blocks_bounded(blocks_, choice, bound, workspace);
}

std::uint64_t CachedLevenshtein::distance(Symbols choice, std::optional<std::uint64_t> cutoff,
                                          StringWorkspace& workspace) const {
  if (!cutoff) return distance(choice, workspace);
  return apply_integer_cutoff(distance_within(choice, *cutoff, workspace), *cutoff);
}

void CachedLevenshtein::distances(TextTableView choices,
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
    const WordMiddles middles = word_middles(word_, query_.view(), choices[i]);
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
    return;
  }
  if (internal::AnyPatternMatchWords::fits(query_.size())) words_.assign(query_.view());
  blocks_.assign(query_.view());
}

std::uint64_t CachedOsa::distance(Symbols choice, StringWorkspace& workspace) const {
  if (one_word()) {
    const WordMiddles middles = word_middles(word_, query_.view(), choice);
    return internal::osa_word(middles.pattern, middles.text);
  }
  if (internal::AnyPatternMatchWords::fits(query_.size())) {
    return words_.visit([&](const auto& table) { return internal::osa_words(table, choice); });
  }
  return internal::osa_blocks(blocks_, choice, workspace);
}

BoundedDistance CachedOsa::distance_within(Symbols choice, std::uint64_t bound,
                                           StringWorkspace& workspace) const {
  if (one_word()) {
    if (internal::length_difference(query_.size(), choice.size()) > bound) return {false, 0};
    const WordMiddles middles = word_middles(word_, query_.view(), choice);
    return internal::osa_word_bounded(middles.pattern, middles.text, bound);
  }
  if (internal::AnyPatternMatchWords::fits(query_.size())) {
    return words_.visit(
        [&](const auto& table) { return internal::osa_words_bounded(table, choice, bound); });
  }
  return internal::osa_blocks_bounded(blocks_, choice, bound, workspace);
}

std::uint64_t CachedOsa::distance(Symbols choice, std::optional<std::uint64_t> cutoff,
                                  StringWorkspace& workspace) const {
  if (!cutoff) return distance(choice, workspace);
  return apply_integer_cutoff(distance_within(choice, *cutoff, workspace), *cutoff);
}

void CachedOsa::distances(TextTableView choices,
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

// The row forms of the normalized scores, cell for cell what the single
// forms give: with a cutoff, each distance is bounded by the largest one
// the cutoff admits (`largest`, a function of the two lengths), and beyond
// it the score is `beyond`; without one, the full distance, from the lanes
// for a one-word query.
template <class Score, class Largest>
Status<CutoffOutOfRange> scores_of_row(const CachedLevenshtein& levenshtein,
                                       TextTableView choices,
                                       std::optional<double> cutoff, StringWorkspace& workspace,
                                       double* out, Score score, Largest largest, double beyond) {
  if (choices.empty()) return Unit{};
  if (cutoff && !fractional_cutoff_in_range(*cutoff)) return Fail(CutoffOutOfRange{});
  const std::uint64_t query_length = levenshtein.query().size();
  if (cutoff) {
    // The bound depends on the choice's length alone here, and a row's
    // choices come in few lengths: each is worked out once.
    constexpr std::size_t kRemembered = 256;
    constexpr std::uint64_t kUnknown = ~std::uint64_t{0};
    std::uint64_t remembered[kRemembered];
    std::fill(remembered, remembered + kRemembered, kUnknown);
    for (std::size_t i = 0; i < choices.size(); ++i) {
      const std::uint64_t length = choices[i].size();
      std::uint64_t bound;
      if (length < kRemembered) {
        if (remembered[length] == kUnknown) remembered[length] = largest(query_length, length);
        bound = remembered[length];
      } else {
        bound = largest(query_length, length);
      }
      const auto distance = levenshtein.distance_within(choices[i], bound, workspace);
      out[i] = distance ? score(similarity_from_distance(*distance, query_length, length)) : beyond;
    }
    return Unit{};
  }
  if (!levenshtein.one_word()) {
    for (std::size_t i = 0; i < choices.size(); ++i) {
      out[i] = score(similarity_from_distance(levenshtein.distance(choices[i], workspace),
                                              query_length, choices[i].size()));
    }
    return Unit{};
  }
  std::vector<std::uint64_t>& distances = workspace.buffers().row_distances;
  distances.resize(choices.size());
  levenshtein.distances(choices, std::nullopt, workspace, distances.data());
  for (std::size_t i = 0; i < choices.size(); ++i) {
    out[i] = score(similarity_from_distance(distances[i], query_length, choices[i].size()));
  }
  return Unit{};
}

}  // namespace

Status<CutoffOutOfRange> CachedSimilarity::normalized_similarities(
    TextTableView choices, std::optional<double> cutoff, StringWorkspace& workspace,
    double* out) const {
  return scores_of_row(
      levenshtein_, choices, cutoff, workspace, out,
      [&](double similarity) { return apply_similarity_cutoff(similarity, cutoff).value(); },
      [&](std::uint64_t a, std::uint64_t b) { return largest_distance_for_similarity(*cutoff, a, b); },
      0.0);
}

Status<CutoffOutOfRange> CachedSimilarity::normalized_distances(
    TextTableView choices, std::optional<double> cutoff, StringWorkspace& workspace,
    double* out) const {
  return scores_of_row(
      levenshtein_, choices, cutoff, workspace, out,
      [&](double similarity) { return apply_distance_cutoff(1.0 - similarity, cutoff).value(); },
      [&](std::uint64_t a, std::uint64_t b) {
        return largest_distance_for_normalized_distance(*cutoff, a, b);
      },
      1.0);
}

}  // namespace lumra
