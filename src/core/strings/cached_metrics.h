// One query scored against many choices.
//
// A batch matrix compares every query with every choice. These scorers
// build the query's match masks once and reuse them for each choice of the
// query's row, where the pairwise functions rebuild them for every cell.
// Every method returns exactly what the pairwise function of the same name
// returns for (query, choice) with the same bound or cutoff. The row forms
// score a whole list of choices at once, one result per choice in order.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "core/base/errors.h"
#include "core/strings/osa.h"
#include "core/strings/internal/pattern_match.h"
#include "core/strings/internal/pattern_match_words.h"
#include "core/base/result.h"
#include "core/strings/string_workspace.h"
#include "core/base/symbols.h"
#include "core/base/text_table.h"

namespace lumra {

// Levenshtein distance from a fixed query.
//
// A query of up to 64 symbols keeps one-word masks; for each choice the
// common prefix and suffix are stripped as levenshtein() does, and the
// prefix is skipped by shifting the masks, which costs nothing. Longer
// queries keep multi-word masks of the whole query, and up to 256 symbols
// also a table for the kernels that hold their whole column in registers;
// they compare the whole query with the whole choice (shifting those masks
// would cost a pass over the table per choice, and stripping never changes
// the distance, only the work), except under a bound small enough for one
// word sliding along its band, whose masks are cut out of the table at any
// offset.
class CachedLevenshtein {
 public:
  explicit CachedLevenshtein(Symbols query);
  // A copy builds its own masks over its own copy of the query.
  CachedLevenshtein(const CachedLevenshtein& other) : CachedLevenshtein(other.query()) {}
  CachedLevenshtein& operator=(const CachedLevenshtein&) = delete;

  Symbols query() const { return query_.view(); }
  // Whether the query's masks fit one word, which lets rows use lanes.
  bool one_word() const { return query_.size() <= internal::PatternMatchWord::kMaxLength; }

  // levenshtein(query, choice).
  std::uint64_t distance(Symbols choice, StringWorkspace& workspace) const;
  // levenshtein_bounded(query, choice, bound).
  std::optional<std::uint64_t> distance_within(Symbols choice, std::uint64_t bound,
                                               StringWorkspace& workspace) const;
  // levenshtein_with_cutoff(query, choice, cutoff).
  std::uint64_t distance(Symbols choice, std::optional<std::uint64_t> cutoff,
                         StringWorkspace& workspace) const;
  // The same for every choice. Without a cutoff, a one-word query scores
  // its choices four at a time (see levenshtein_lanes.h).
  void distances(TextTableView choices, std::optional<std::uint64_t> cutoff,
                 StringWorkspace& workspace, std::uint64_t* out) const;

 private:
  SymbolString query_;
  internal::PatternMatchWord word_;
  internal::AnyPatternMatchWords words_;
  internal::PatternMatchBlocks blocks_;
};

// Restricted Damerau distance from a fixed query, which is always the
// pattern (the distance is symmetric). Common affixes are handled as by
// CachedLevenshtein: stripped for a one-word query, left in place otherwise;
// queries of 65 to 256 symbols have their column in registers.
class CachedOsa {
 public:
  explicit CachedOsa(Symbols query);
  CachedOsa(const CachedOsa& other) : CachedOsa(other.query()) {}
  CachedOsa& operator=(const CachedOsa&) = delete;

  Symbols query() const { return query_.view(); }

  // osa_distance(query, choice).
  std::uint64_t distance(Symbols choice, StringWorkspace& workspace) const;
  // osa_distance_bounded(query, choice, bound).
  BoundedDistance distance_within(Symbols choice, std::uint64_t bound,
                                  StringWorkspace& workspace) const;
  // osa_with_cutoff(query, choice, cutoff).
  std::uint64_t distance(Symbols choice, std::optional<std::uint64_t> cutoff,
                         StringWorkspace& workspace) const;
  void distances(TextTableView choices, std::optional<std::uint64_t> cutoff,
                 StringWorkspace& workspace, std::uint64_t* out) const;

 private:
  bool one_word() const { return query_.size() <= internal::PatternMatchWord::kMaxLength; }

  SymbolString query_;
  internal::PatternMatchWord word_;
  internal::AnyPatternMatchWords words_;
  internal::PatternMatchBlocks blocks_;
};

// Normalized scores from a fixed query. With a cutoff, the distance is only
// computed up to the largest value the cutoff lets through: beyond it the
// score is reported as 0.0 (similarity) or 1.0 (distance) anyway.
class CachedSimilarity {
 public:
  explicit CachedSimilarity(Symbols query) : levenshtein_(query) {}

  // string_similarity(query, choice).
  double similarity(Symbols choice, StringWorkspace& workspace) const;
  // normalized_similarity(query, choice, cutoff).
  Result<double, CutoffOutOfRange> normalized_similarity(Symbols choice,
                                                         std::optional<double> cutoff,
                                                         StringWorkspace& workspace) const;
  // normalized_distance(query, choice, cutoff).
  Result<double, CutoffOutOfRange> normalized_distance(Symbols choice, std::optional<double> cutoff,
                                                       StringWorkspace& workspace) const;
  // The same for every choice; fails, writing nothing, when there is a
  // choice and the cutoff is out of range.
  Status<CutoffOutOfRange> normalized_similarities(TextTableView choices,
                                                   std::optional<double> cutoff,
                                                   StringWorkspace& workspace, double* out) const;
  Status<CutoffOutOfRange> normalized_distances(TextTableView choices,
                                                std::optional<double> cutoff,
                                                StringWorkspace& workspace, double* out) const;

 private:
  CachedLevenshtein levenshtein_;
};

}  // namespace lumra
