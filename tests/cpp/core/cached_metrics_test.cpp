// The cached query scorers against the pairwise functions they stand in
// for: one scorer per query, reused for a whole row of choices, must give
// every cell exactly the pairwise value, cutoff rules included.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <vector>

#include "core/strings/cached_metrics.h"
#include "core/strings/similarity.h"
#include "core/strings/similarity_bound.h"
#include "core/strings/string_metrics.h"
#include "core/base/utf8.h"
#include "random_texts.h"

namespace lumra {
namespace {

using testing::describe;
using testing::TextGenerator;
using Text = std::vector<Symbol>;

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

std::vector<std::optional<std::uint64_t>> integer_cutoffs(std::uint64_t distance) {
  return {std::nullopt, 0,          1,    2,   distance - 1, distance, distance + 1,
          distance / 2, kMax - 1, kMax};
}

// The cutoffs where the rule flips for this pair: every score the pair's
// lengths allow, and the doubles just around them.
std::vector<std::optional<double>> fractional_cutoffs(std::uint64_t a, std::uint64_t b) {
  std::vector<std::optional<double>> out{std::nullopt, 0.0, 1.0, 0.5, -0.1, 1.5, std::nan("")};
  const std::uint64_t longer = std::max(a, b);
  for (std::uint64_t d = 0; d <= std::min<std::uint64_t>(longer, 40); ++d) {
    const double s = similarity_from_distance(d, a, b);
    for (const double c : {s, 1.0 - s}) {
      out.push_back(c);
      out.push_back(std::nextafter(c, 0.0));
      out.push_back(std::nextafter(c, 1.0));
    }
  }
  return out;
}

template <class T>
void expect_same_result(const Result<T, CutoffOutOfRange>& got,
                        const Result<T, CutoffOutOfRange>& want) {
  ASSERT_EQ(got.ok(), want.ok());
  if (want.ok()) {
    EXPECT_EQ(got.value(), want.value());
  }
}

// The row forms against the pairwise functions, cell by cell.
void check_row_forms(const Text& query, const std::vector<Text>& choice_texts,
                     StringWorkspace& ws) {
  const TextTable choices = TextTable::of(choice_texts);
  const CachedLevenshtein levenshtein(query);
  const CachedOsa osa(query);
  const CachedSimilarity similarity(query);
  std::vector<std::uint64_t> row(choices.size());
  std::vector<double> scores(choices.size());
  for (const auto cutoff : integer_cutoffs(3)) {
    levenshtein.distances(choices, cutoff, ws, row.data());
    for (std::size_t i = 0; i < choices.size(); ++i) {
      EXPECT_EQ(row[i], levenshtein_with_cutoff(query, choices[i], cutoff, ws)) << "choice " << i;
    }
    osa.distances(choices, cutoff, ws, row.data());
    for (std::size_t i = 0; i < choices.size(); ++i) {
      EXPECT_EQ(row[i], osa_with_cutoff(query, choices[i], cutoff, ws)) << "choice " << i;
    }
  }
  for (const std::optional<double> cutoff :
       {std::optional<double>(), std::optional<double>(0.0), std::optional<double>(0.5),
        std::optional<double>(0.8), std::optional<double>(1.0)}) {
    ASSERT_TRUE(similarity.normalized_similarities(choices, cutoff, ws, scores.data()).ok());
    for (std::size_t i = 0; i < choices.size(); ++i) {
      EXPECT_EQ(scores[i], normalized_similarity(query, choices[i], cutoff, ws).value());
    }
    ASSERT_TRUE(similarity.normalized_distances(choices, cutoff, ws, scores.data()).ok());
    for (std::size_t i = 0; i < choices.size(); ++i) {
      EXPECT_EQ(scores[i], normalized_distance(query, choices[i], cutoff, ws).value());
    }
  }
  const bool any = !choices.empty();
  EXPECT_EQ(similarity.normalized_similarities(choices, 1.5, ws, scores.data()).ok(), !any);
  EXPECT_EQ(similarity.normalized_distances(choices, std::nan(""), ws, scores.data()).ok(), !any);
}

// One scorer per query, every choice in turn with every cutoff.
void check_row(const Text& query, const std::vector<Text>& choices, StringWorkspace& ws) {
  const CachedLevenshtein levenshtein(query);
  const CachedOsa osa(query);
  const CachedSimilarity similarity(query);
  for (const Text& choice : choices) {
    SCOPED_TRACE(describe(query) + " / " + describe(choice));
    const std::uint64_t lev = levenshtein_with_cutoff(query, choice, std::nullopt, ws);
    const std::uint64_t damerau = osa_with_cutoff(query, choice, std::nullopt, ws);
    EXPECT_EQ(levenshtein.distance(choice, ws), lev);
    EXPECT_EQ(osa.distance(choice, ws), damerau);
    for (const auto cutoff : integer_cutoffs(lev)) {
      EXPECT_EQ(levenshtein.distance(choice, cutoff, ws),
                levenshtein_with_cutoff(query, choice, cutoff, ws));
    }
    for (const auto cutoff : integer_cutoffs(damerau)) {
      EXPECT_EQ(osa.distance(choice, cutoff, ws), osa_with_cutoff(query, choice, cutoff, ws));
    }
    EXPECT_EQ(similarity.similarity(choice, ws), string_similarity(query, choice, ws));
    for (const auto cutoff : fractional_cutoffs(query.size(), choice.size())) {
      expect_same_result(similarity.normalized_similarity(choice, cutoff, ws),
                         normalized_similarity(query, choice, cutoff, ws));
      expect_same_result(similarity.normalized_distance(choice, cutoff, ws),
                         normalized_distance(query, choice, cutoff, ws));
    }
  }
  check_row_forms(query, choices, ws);
}

TEST(CachedMetrics, KnownCells) {
  StringWorkspace ws;
  const Text saturday = decode_utf8("saturday"), sunday = decode_utf8("sunday");
  const CachedLevenshtein levenshtein(saturday);
  EXPECT_EQ(levenshtein.distance(sunday, ws), 3u);
  EXPECT_EQ(levenshtein.distance(sunday, 2, ws), 3u);
  EXPECT_EQ(levenshtein.distance(sunday, 0, ws), 1u);
  EXPECT_EQ(levenshtein.distance(saturday, 0, ws), 0u);
  EXPECT_EQ(levenshtein.distance(sunday, kMax, ws), 3u);
  const CachedOsa osa(decode_utf8("ca"));
  EXPECT_EQ(osa.distance(decode_utf8("abc"), ws), 3u);
  EXPECT_EQ(osa.distance(decode_utf8("ac"), ws), 1u);
  EXPECT_EQ(osa.distance(Text{}, ws), 2u);
  const CachedSimilarity similarity(saturday);
  EXPECT_EQ(similarity.normalized_similarity(sunday, std::nullopt, ws).value(), 0.625);
  EXPECT_EQ(similarity.normalized_similarity(sunday, 0.7, ws).value(), 0.0);
  EXPECT_EQ(similarity.normalized_similarity(sunday, 0.625, ws).value(), 0.625);
  EXPECT_EQ(similarity.normalized_distance(sunday, 0.3, ws).value(), 1.0);
  EXPECT_EQ(similarity.normalized_distance(sunday, 0.375, ws).value(), 0.375);
  EXPECT_FALSE(similarity.normalized_similarity(saturday, 1.5, ws).ok());
  EXPECT_FALSE(similarity.normalized_distance(saturday, std::nan(""), ws).ok());
}

// Choices that share a prefix, a suffix or both with the query, so that the
// one-word scorer's shifted masks are exercised at every offset.
TEST(CachedMetrics, ChoicesSharingAffixesWithTheQuery) {
  StringWorkspace ws;
  for (const std::size_t length : {1, 2, 5, 63, 64, 65, 130}) {
    Text query(length);
    for (std::size_t i = 0; i < length; ++i) query[i] = "abcab"[i % 5];
    std::vector<Text> choices{{}, query, {'x'}};
    for (std::size_t cut = 0; cut <= length; cut += std::max<std::size_t>(1, length / 9)) {
      Text prefix(query.begin(), query.begin() + static_cast<std::ptrdiff_t>(cut));
      Text suffix(query.begin() + static_cast<std::ptrdiff_t>(cut), query.end());
      choices.push_back(prefix);
      choices.push_back(suffix);
      Text changed = query;
      if (cut < length) changed[cut] = 0x3042;
      choices.push_back(changed);
      // Built by appending: g++ 16 misreads an insert into a copy as out of bounds.
      Text inserted = prefix;
      inserted.push_back('z');
      inserted.insert(inserted.end(), suffix.begin(), suffix.end());
      choices.push_back(inserted);
    }
    check_row(query, choices, ws);
  }
}

TEST(CachedMetrics, RandomRows) {
  TextGenerator generate(2024);
  StringWorkspace ws;
  for (const auto& alphabet : testing::test_alphabets()) {
    for (int row = 0; row < 12; ++row) {
      const Text query = generate.text(alphabet, generate.length(row % 2 ? 200 : 70));
      std::vector<Text> choices;
      for (int i = 0; i < 8; ++i) {
        choices.push_back(i % 2 ? generate.edited(query, alphabet, 10)
                                : generate.text(alphabet, generate.length(200)));
      }
      check_row(query, choices, ws);
      if (HasFailure()) return;
    }
  }
}

// The bound a fractional cutoff puts on the distance is exactly the last
// distance whose score passes the cutoff.
TEST(SimilarityBound, LargestAdmittedDistance) {
  std::vector<double> cutoffs{0.0, 1.0, 0.1, 0.2, 0.3, 0.7, 1.0 / 3.0, 2.0 / 3.0, 0.999999};
  for (std::uint64_t d = 0; d <= 12; ++d) {
    for (std::uint64_t m = 1; m <= 12; ++m) {
      const double s = 1.0 - static_cast<double>(d) / static_cast<double>(m);
      cutoffs.push_back(s);
      cutoffs.push_back(std::nextafter(s, 2.0));
      cutoffs.push_back(std::nextafter(s, -1.0));
    }
  }
  for (const std::uint64_t a : {0, 1, 3, 7, 10, 12, 1000}) {
    for (const std::uint64_t b : {0, 1, 2, 10, 11}) {
      const std::uint64_t longer = std::max(a, b);
      for (const double c : cutoffs) {
        if (!(c >= 0.0 && c <= 1.0)) continue;
        const std::uint64_t for_similarity = largest_distance_for_similarity(c, a, b);
        const std::uint64_t for_distance = largest_distance_for_normalized_distance(c, a, b);
        ASSERT_LE(for_similarity, longer);
        ASSERT_LE(for_distance, longer);
        for (std::uint64_t d = 0; d <= longer; ++d) {
          const double s = similarity_from_distance(d, a, b);
          EXPECT_EQ(!(s < c), d <= for_similarity) << a << " " << b << " " << c << " " << d;
          EXPECT_EQ(!(1.0 - s > c), d <= for_distance) << a << " " << b << " " << c << " " << d;
        }
      }
    }
  }
}

}  // namespace
}  // namespace lumra
