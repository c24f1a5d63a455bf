#include "core/batch/distance_matrix.h"

#include <algorithm>
#include <array>
#include <utility>

#include "core/strings/cached_metrics.h"
#include "core/base/cutoff.h"
#include "core/base/interruption.h"
#include "core/batch/query_lanes.h"
#include "core/strings/similarity.h"

namespace lumra {

namespace {

// The scores cannot fail once the cutoff is known to be valid, so the range
// is checked once, and only when there is a cell to apply it to.
bool has_cells(TextList queries, TextList choices) { return !queries.empty() && !choices.empty(); }

template <class Cell>
DistanceMatrix<Cell> empty_matrix(TextList queries, TextList choices) {
  DistanceMatrix<Cell> matrix;
  matrix.rows = queries.size();
  matrix.cols = choices.size();
  matrix.cells = std::make_unique_for_overwrite<Cell[]>(matrix.rows * matrix.cols);
  return matrix;
}

// The work of one query's row, in table cells (interruption.h), without
// the bit-parallel discount: a rough measure is enough to space the polls.
std::uint64_t symbol_count(TextList texts) {
  std::uint64_t total = 0;
  for (std::size_t i = 0; i < texts.size(); ++i) total += texts[i].size() + 1;
  return total;
}

// Row by row: the query's scorer (its match masks, built once) scores the
// whole row of choices, and one workspace serves every cell. False when
// interrupted.
template <class Scorer, class Cell, class Row>
bool fill_rows(TextList queries, std::span<const std::size_t> which, TextList choices,
               DistanceMatrix<Cell>& matrix, Row&& row) {
  StringWorkspace workspace;
  InterruptionPoll poll;
  const std::uint64_t choice_symbols = symbol_count(choices);
  for (const std::size_t q : which) {
    if (poll.stop_after(choice_symbols * (queries[q].size() / 64 + 1))) return false;
    const Scorer scorer(queries[q]);
    row(scorer, workspace, matrix.row(q));
  }
  return true;
}

// Short queries are scored in lane blocks (query_lanes.h), grouped by the
// lane width they need so that blocks fill up: a block of words of up to 8
// symbols holds 32 of them, one with a 9-symbol word only 16. Cells are
// written to their own rows, so the grouping never reorders the result.
class LanePlan {
 public:
  static constexpr std::size_t kMaxLanes = 32;

  // With a cutoff, queries that need a whole 64-bit lane go choice by
  // choice instead: four lanes to a register run every column of every
  // choice, where the bounded kernel gives up on a hopeless pair within a
  // few columns and skips what the two texts share.
  LanePlan(TextList queries, bool bounded) {
    const std::size_t longest_in_lanes = bounded ? 32 : internal::kLaneQueryMaxLength;
    for (std::size_t q = 0; q < queries.size(); ++q) {
      const std::size_t length = queries[q].size();
      if (length > longest_in_lanes) {
        others_.push_back(q);
      } else {
        classes_[length <= 8 ? 0 : length <= 16 ? 1 : length <= 32 ? 2 : 3].push_back(q);
      }
    }
    std::size_t in_lanes = 0;
    for (const auto& c : classes_) in_lanes += c.size();
    // A lone short query gains nothing from lanes.
    if (in_lanes < 2) {
      others_.clear();
      for (std::size_t q = 0; q < queries.size(); ++q) others_.push_back(q);
      for (auto& c : classes_) c.clear();
    }
  }

  bool any_blocks() const {
    for (const auto& c : classes_)
      if (!c.empty()) return true;
    return false;
  }

  // block(queries of the block as indices, their symbols) for every block.
  template <class Block>
  void for_each_block(TextList queries, Block&& block) const {
    static constexpr std::size_t kLongest[] = {8, 16, 32, 64};
    for (std::size_t k = 0; k < classes_.size(); ++k) {
      const std::vector<std::size_t>& members = classes_[k];
      const std::size_t lanes = internal::lanes_for_length(kLongest[k]);
      for (std::size_t start = 0; start < members.size(); start += lanes) {
        const std::size_t count = std::min(lanes, members.size() - start);
        Symbols texts[kMaxLanes];
        for (std::size_t i = 0; i < count; ++i) texts[i] = queries[members[start + i]];
        block(std::span<const std::size_t>(members.data() + start, count),
              std::span<const Symbols>(texts, count));
      }
    }
  }

  // The queries left to the row-by-row scorers.
  std::span<const std::size_t> others() const { return others_; }

 private:
  std::array<std::vector<std::size_t>, 4> classes_;
  std::vector<std::size_t> others_;
};

// The Levenshtein distances of every short query, block by block, under
// the integer cutoff rule when there is a cutoff: out(query index) names
// the row each query's cells go to, and visit(query index, its row) runs
// once the block is done.
// False when interrupted.
template <class Out, class Visit>
bool lane_distances(internal::LaneMetric metric, TextList queries, TextList choices,
                    const LanePlan& plan, std::optional<std::uint64_t> cutoff, Out&& out,
                    Visit&& visit) {
  internal::QueryBlockScratch scratch;
  InterruptionPoll poll;
  const std::uint64_t choice_symbols = symbol_count(choices);
  bool stopped = false;
  plan.for_each_block(queries, [&](std::span<const std::size_t> rows, std::span<const Symbols> texts) {
    stopped = stopped || poll.stop_after(choice_symbols * rows.size());
    if (stopped) return;
    std::uint64_t* outs[LanePlan::kMaxLanes];
    for (std::size_t i = 0; i < rows.size(); ++i) outs[i] = out(i, rows[i]);
    internal::query_block_distances(metric, texts, choices, outs, scratch, cutoff);
    for (std::size_t i = 0; i < rows.size(); ++i) visit(rows[i], outs[i]);
  });
  return !stopped;
}

// The normalized scores of the short queries. A score is a function of the
// full distance and the two lengths, and the pairwise function's bounded
// distance is that distance whenever the bound admits it; beyond the bound
// the cutoff turns the score into 0.0 (or 1.0) exactly as it does the score
// of any distance it does not admit, the bound being the largest admitted
// one and admission monotone in the distance. So the full distance and the
// plain cutoff rule give the pairwise cell.
template <class Score>
bool lane_scores(TextList queries, TextList choices, const LanePlan& plan,
                 DistanceMatrix<double>& matrix, Score score) {
  // The block's distances wait in a buffer small enough to stay in cache.
  std::vector<std::uint64_t> buffer(LanePlan::kMaxLanes * choices.size());
  const auto in_buffer = [&](std::size_t lane, std::size_t) {
    return buffer.data() + lane * choices.size();
  };
  // A score depends only on the distance and the longer length, and short
  // words produce few such pairs: each is computed once, by the same
  // function, and then looked up.
  constexpr std::uint64_t kMemoLonger = 128;
  std::vector<double> memo(kMemoLonger * (kMemoLonger + 1));
  std::vector<unsigned char> known(memo.size(), 0);
  const auto cell = [&](std::uint64_t distance, std::uint64_t query_length,
                        std::uint64_t choice_length) {
    const std::uint64_t longer = std::max(query_length, choice_length);
    if (longer >= kMemoLonger || distance > longer) {
      return score(similarity_from_distance(distance, query_length, choice_length));
    }
    const std::size_t at = longer * (kMemoLonger + 1) + distance;
    if (!known[at]) {
      memo[at] = score(similarity_from_distance(distance, query_length, choice_length));
      known[at] = 1;
    }
    return memo[at];
  };
  return lane_distances(internal::LaneMetric::kLevenshtein, queries, choices, plan, std::nullopt,
                        in_buffer, [&](std::size_t q, const std::uint64_t* distances) {
    double* out = matrix.row(q);
    const std::uint64_t query_length = queries[q].size();
    for (std::size_t c = 0; c < choices.size(); ++c) {
      out[c] = cell(distances[c], query_length, choices[c].size());
    }
  });
}

}  // namespace

Result<DistanceMatrix<std::uint64_t>, CoreError> levenshtein_matrix(
    TextList queries, TextList choices, std::optional<std::uint64_t> cutoff) {
  auto matrix = empty_matrix<std::uint64_t>(queries, choices);
  if (!has_cells(queries, choices)) return matrix;
  const LanePlan plan(queries, cutoff.has_value());
  if (plan.any_blocks() &&
      !lane_distances(
          internal::LaneMetric::kLevenshtein, queries, choices, plan, cutoff,
          [&](std::size_t, std::size_t q) { return matrix.row(q); },
          [](std::size_t, const std::uint64_t*) {})) {
    return Fail(CoreError(Interrupted{}));
  }
  const bool done = fill_rows<CachedLevenshtein>(
      queries, plan.others(), choices, matrix,
      [&](const CachedLevenshtein& query, StringWorkspace& ws, std::uint64_t* out) {
        query.distances(choices, cutoff, ws, out);
      });
  if (!done) return Fail(CoreError(Interrupted{}));
  return matrix;
}

Result<DistanceMatrix<std::uint64_t>, CoreError> osa_matrix(TextList queries, TextList choices,
                                                            std::optional<std::uint64_t> cutoff) {
  auto matrix = empty_matrix<std::uint64_t>(queries, choices);
  if (!has_cells(queries, choices)) return matrix;
  const LanePlan plan(queries, cutoff.has_value());
  if (plan.any_blocks() &&
      !lane_distances(
          internal::LaneMetric::kOsa, queries, choices, plan, cutoff,
          [&](std::size_t, std::size_t q) { return matrix.row(q); },
          [](std::size_t, const std::uint64_t*) {})) {
    return Fail(CoreError(Interrupted{}));
  }
  const bool done = fill_rows<CachedOsa>(
      queries, plan.others(), choices, matrix,
      [&](const CachedOsa& query, StringWorkspace& ws, std::uint64_t* out) {
        query.distances(choices, cutoff, ws, out);
      });
  if (!done) return Fail(CoreError(Interrupted{}));
  return matrix;
}

Result<DistanceMatrix<double>, CoreError> normalized_similarity_matrix(
    TextList queries, TextList choices, std::optional<double> cutoff) {
  auto matrix = empty_matrix<double>(queries, choices);
  if (!has_cells(queries, choices)) return matrix;
  if (cutoff && !fractional_cutoff_in_range(*cutoff)) return Fail(CoreError(CutoffOutOfRange{}));
  const LanePlan plan(queries, cutoff.has_value());
  if (plan.any_blocks() &&
      !lane_scores(queries, choices, plan, matrix, [&](double similarity) {
        return cutoff && similarity < *cutoff ? 0.0 : similarity;
      })) {
    return Fail(CoreError(Interrupted{}));
  }
  const bool done = fill_rows<CachedSimilarity>(
      queries, plan.others(), choices, matrix,
      [&](const CachedSimilarity& query, StringWorkspace& ws, double* out) {
        // The cutoff is known to be valid: the row cannot fail.
        (void)query.normalized_similarities(choices, cutoff, ws, out);
      });
  if (!done) return Fail(CoreError(Interrupted{}));
  return matrix;
}

Result<DistanceMatrix<double>, CoreError> normalized_distance_matrix(
    TextList queries, TextList choices, std::optional<double> cutoff) {
  auto matrix = empty_matrix<double>(queries, choices);
  if (!has_cells(queries, choices)) return matrix;
  if (cutoff && !fractional_cutoff_in_range(*cutoff)) return Fail(CoreError(CutoffOutOfRange{}));
  const LanePlan plan(queries, cutoff.has_value());
  if (plan.any_blocks() &&
      !lane_scores(queries, choices, plan, matrix, [&](double similarity) {
        const double distance = 1.0 - similarity;
        return cutoff && distance > *cutoff ? 1.0 : distance;
      })) {
    return Fail(CoreError(Interrupted{}));
  }
  const bool done = fill_rows<CachedSimilarity>(
      queries, plan.others(), choices, matrix,
      [&](const CachedSimilarity& query, StringWorkspace& ws, double* out) {
        (void)query.normalized_distances(choices, cutoff, ws, out);
      });
  if (!done) return Fail(CoreError(Interrupted{}));
  return matrix;
}

}  // namespace lumra
