// The lane blocks of short queries against the pairwise Levenshtein and
// restricted Damerau distances, and the matrices built from them against the pairwise
// functions, cutoff rules included. Query lengths sit on and around every
// lane width (8, 16, 32, 64 symbols), choices reach past what a narrow lane
// can count (255 and 65535), and the alphabets mix symbols below 256 with
// kana, astral code points and arbitrary ones.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "core/batch/distance_matrix.h"
#include "core/strings/levenshtein.h"
#include "core/batch/levenshtein_lanes.h"
#include "core/batch/query_lanes.h"
#include "core/strings/similarity.h"
#include "core/strings/string_metrics.h"
#include "random_texts.h"

namespace lumra::internal {
namespace {

using testing::describe;
using testing::TextGenerator;
using Text = std::vector<Symbol>;

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

std::vector<LaneCode> codes() {
  std::vector<LaneCode> out{LaneCode::kPortable, LaneCode::kAuto};
  if (avx2_available()) out.push_back(LaneCode::kAvx2);
  return out;
}

TextTable owned(const std::vector<Text>& texts) { return TextTable::of(texts); }

std::uint64_t pairwise(LaneMetric metric, Symbols a, Symbols b,
                       std::optional<std::uint64_t> cutoff, StringWorkspace& ws) {
  return metric == LaneMetric::kOsa ? osa_with_cutoff(a, b, cutoff, ws)
                                    : levenshtein_with_cutoff(a, b, cutoff, ws);
}

// Every query of the block against every choice, compared with the pairwise
// distance of both metrics; one scratch serves all blocks, as in a matrix.
void check_block(const std::vector<Text>& queries, const std::vector<Text>& choice_texts,
                 QueryBlockScratch& scratch, LaneCode code, const char* what,
                 std::optional<std::uint64_t> cutoff = std::nullopt) {
  for (const LaneMetric metric : {LaneMetric::kLevenshtein, LaneMetric::kOsa}) {
  const auto choices = owned(choice_texts);
  const TextTableView packed = choices;
  std::vector<std::vector<std::uint64_t>> rows(queries.size(),
                                               std::vector<std::uint64_t>(choices.size(), kMax));
  std::vector<std::uint64_t*> outs;
  std::vector<Symbols> views;
  for (std::size_t i = 0; i < queries.size(); ++i) {
    outs.push_back(rows[i].data());
    views.emplace_back(queries[i]);
  }
  query_block_distances(metric, views, packed, outs.data(), scratch, cutoff, code);
  StringWorkspace ws;
  for (std::size_t i = 0; i < queries.size(); ++i) {
    for (std::size_t c = 0; c < choices.size(); ++c) {
      ASSERT_EQ(rows[i][c], pairwise(metric, queries[i], choice_texts[c], cutoff, ws))
          << what << (metric == LaneMetric::kOsa ? " osa" : " levenshtein") << " code "
          << static_cast<int>(code) << " cutoff " << (cutoff ? std::to_string(*cutoff) : "none")
          << " query " << describe(queries[i]) << " choice " << describe(choice_texts[c]);
    }
  }
  }
}

TEST(QueryLanes, FixedDistances) {
  const std::vector<Text> queries{{}, {'a'}, {'a', 'b', 'c'}, {'k', 'i', 't', 't', 'e', 'n'},
                                  {0x3042, 0x3044}, {0x1F600}};
  const std::vector<Text> choices{{}, {'a'}, {'a', 'b', 'd'}, {'s', 'i', 't', 't', 'i', 'n', 'g'},
                                  {0x3042}, {0x1F600, 'a'}, {'b', 'a'}, {'a', 'c', 'b'},
                                  {0x3044, 0x3042}, {'c', 'a'}};
  QueryBlockScratch scratch;
  for (const LaneCode code : codes()) check_block(queries, choices, scratch, code, "fixed");
}

// Query lengths that fill each lane width exactly or just miss it.
constexpr std::size_t kBoundaryLengths[] = {0, 1, 2, 7, 8, 9, 15, 16, 17, 31, 32, 33, 63, 64};

TEST(QueryLanes, RandomBlocksMatchThePairwiseDistance) {
  TextGenerator gen(0x5eed1a9e);
  QueryBlockScratch scratch;
  for (const auto& alphabet : testing::test_alphabets()) {
    for (int round = 0; round < 24; ++round) {
      // The longest query picks the lane width; the others are shorter, and
      // sometimes there are more of them than one block holds.
      const std::size_t longest = kBoundaryLengths[gen.below(std::size(kBoundaryLengths))];
      const std::size_t lanes = lanes_for_length(std::max<std::size_t>(longest, 1));
      const std::size_t count = 1 + gen.below(round % 4 == 0 ? 2 * lanes + 3 : lanes);
      std::vector<Text> queries;
      for (std::size_t i = 0; i < count; ++i) {
        queries.push_back(gen.text(alphabet, i == 0 ? longest : gen.below(longest + 1)));
      }
      std::vector<Text> choices;
      for (int c = 0; c < 20; ++c) {
        if (c % 3 == 0 && !queries.empty()) {
          // Near a query, so that small distances and shared symbols occur.
          choices.push_back(gen.edited(queries[gen.below(queries.size())], alphabet, 4));
        } else {
          choices.push_back(gen.text(alphabet, gen.length(140)));
        }
      }
      for (const LaneCode code : codes()) {
        for (const std::optional<std::uint64_t> cutoff :
             {std::optional<std::uint64_t>{}, std::optional<std::uint64_t>{0},
              std::optional<std::uint64_t>{1}, std::optional<std::uint64_t>{3},
              std::optional<std::uint64_t>{gen.below(70)}, std::optional<std::uint64_t>{kMax}}) {
          check_block(queries, choices, scratch, code, alphabet.name, cutoff);
        }
      }
    }
  }
}

TEST(QueryLanes, ChoicesLongerThanANarrowLaneCounts) {
  TextGenerator gen(77);
  const testing::Alphabet& four = testing::test_alphabets()[1];
  QueryBlockScratch scratch;
  std::vector<Text> choices{gen.text(four, 254), gen.text(four, 255), gen.text(four, 256),
                            gen.text(four, 600), {}, gen.text(four, 5)};
  for (const std::size_t longest : {std::size_t{8}, std::size_t{16}}) {
    std::vector<Text> queries;
    for (std::size_t i = 0; i < 5; ++i) queries.push_back(gen.text(four, longest - i));
    queries.push_back({});
    for (const LaneCode code : codes()) {
      check_block(queries, choices, scratch, code, "long");
      check_block(queries, choices, scratch, code, "long", 250);
    }
  }
  // Past what a 16-bit lane counts.
  std::vector<Text> huge{gen.text(four, 65534), gen.text(four, 65536)};
  std::vector<Text> queries{gen.text(four, 16), gen.text(four, 9), gen.text(four, 3)};
  for (const LaneCode code : codes()) {
    check_block(queries, huge, scratch, code, "huge");
    check_block(queries, huge, scratch, code, "huge", 65535);
  }
}

// Whole matrices: lane blocks for the short queries, the row scorers for
// the rest, every cell equal to the pairwise function.
struct MatrixCase {
  std::vector<Text> queries;
  std::vector<Text> choices;
};

MatrixCase random_matrix(TextGenerator& gen, const testing::Alphabet& alphabet) {
  MatrixCase m;
  const std::size_t queries = 1 + gen.below(45);
  for (std::size_t i = 0; i < queries; ++i) {
    const std::size_t length = gen.below(4) == 0 ? gen.below(80)
                                                 : kBoundaryLengths[gen.below(std::size(kBoundaryLengths))];
    m.queries.push_back(gen.text(alphabet, length));
  }
  const std::size_t choices = gen.below(12);
  for (std::size_t c = 0; c < choices; ++c) {
    if (c % 2 == 0) {
      m.choices.push_back(gen.edited(m.queries[gen.below(m.queries.size())], alphabet, 3));
    } else {
      m.choices.push_back(gen.text(alphabet, gen.length(90)));
    }
  }
  return m;
}

TEST(QueryLaneMatrices, IntegerCellsEqualThePairwiseDistance) {
  TextGenerator gen(0xc0ffee);
  StringWorkspace ws;
  for (const auto& alphabet : testing::test_alphabets()) {
    for (int round = 0; round < 6; ++round) {
      const MatrixCase m = random_matrix(gen, alphabet);
      const auto queries = owned(m.queries);
      const auto choices = owned(m.choices);
      std::vector<std::optional<std::uint64_t>> cutoffs{std::nullopt, kMax, kMax - 1};
      for (std::uint64_t k = 0; k <= 20; ++k) cutoffs.push_back(k);
      for (const auto cutoff : cutoffs) {
        for (const LaneMetric metric : {LaneMetric::kLevenshtein, LaneMetric::kOsa}) {
          const auto matrix = (metric == LaneMetric::kOsa ? osa_matrix(queries, choices, cutoff)
                                                          : levenshtein_matrix(queries, choices, cutoff))
                                  .value();
          ASSERT_EQ(matrix.rows, queries.size());
          ASSERT_EQ(matrix.cols, choices.size());
          for (std::size_t q = 0; q < queries.size(); ++q) {
            for (std::size_t c = 0; c < choices.size(); ++c) {
              ASSERT_EQ(matrix.row(q)[c], pairwise(metric, queries[q], choices[c], cutoff, ws))
                  << alphabet.name << (metric == LaneMetric::kOsa ? " osa" : " levenshtein")
                  << " query " << describe(m.queries[q]) << " choice " << describe(m.choices[c])
                  << " cutoff " << (cutoff ? *cutoff : 0) << " set " << cutoff.has_value();
            }
          }
        }
      }
    }
  }
}

// Every score the lengths allow and the doubles just around it, plus the
// ends of the range and invalid cutoffs.
std::vector<std::optional<double>> fractional_cutoffs(TextGenerator& gen) {
  std::vector<std::optional<double>> out{std::nullopt, 0.0, 1.0, -0.1, 1.5, std::nan("")};
  for (int i = 0; i < 12; ++i) {
    const std::uint64_t longer = 1 + gen.below(20);
    const double s = similarity_from_distance(gen.below(longer + 1), longer, longer);
    for (const double c : {s, 1.0 - s}) {
      out.push_back(c);
      out.push_back(std::nextafter(c, 0.0));
      out.push_back(std::nextafter(c, 1.0));
    }
  }
  return out;
}

template <class Pairwise>
void expect_score_matrix(const Result<DistanceMatrix<double>, CoreError>& matrix,
                         const TextTable& queries,
                         const TextTable& choices, Pairwise pairwise) {
  bool any_fails = false;
  for (std::size_t q = 0; q < queries.size(); ++q) {
    for (std::size_t c = 0; c < choices.size(); ++c) {
      const auto want = pairwise(queries[q], choices[c]);
      if (!want.ok()) {
        any_fails = true;
        continue;
      }
      ASSERT_TRUE(matrix.ok());
      ASSERT_EQ(matrix.value().row(q)[c], want.value()) << "cell " << q << ", " << c;
    }
  }
  EXPECT_EQ(matrix.ok(), !any_fails);
}

TEST(QueryLaneMatrices, ScoreCellsEqualThePairwiseScores) {
  TextGenerator gen(0xbadcab);
  StringWorkspace ws;
  for (const auto& alphabet : testing::test_alphabets()) {
    for (int round = 0; round < 6; ++round) {
      const MatrixCase m = random_matrix(gen, alphabet);
      const auto queries = owned(m.queries);
      const auto choices = owned(m.choices);
      for (const auto cutoff : fractional_cutoffs(gen)) {
        SCOPED_TRACE(alphabet.name);
        expect_score_matrix(normalized_similarity_matrix(queries, choices, cutoff), queries,
                            choices, [&](Symbols q, Symbols c) {
                              return normalized_similarity(q, c, cutoff, ws);
                            });
        expect_score_matrix(normalized_distance_matrix(queries, choices, cutoff), queries,
                            choices, [&](Symbols q, Symbols c) {
                              return normalized_distance(q, c, cutoff, ws);
                            });
      }
    }
  }
}

}  // namespace
}  // namespace lumra::internal
