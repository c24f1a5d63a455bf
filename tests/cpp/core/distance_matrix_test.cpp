#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/batch/distance_matrix.h"
#include "core/strings/string_metrics.h"
#include "core/base/utf8.h"

namespace lumra {
namespace {

TextTable texts(std::initializer_list<const char*> utf8) {
  TextTable out;
  for (const char* t : utf8) {
    const std::vector<Symbol> symbols = decode_utf8(t);
    std::copy(symbols.begin(), symbols.end(), out.append(symbols.size()));
  }
  return out;
}

std::vector<std::vector<std::uint64_t>> rows(const DistanceMatrix<std::uint64_t>& m) {
  std::vector<std::vector<std::uint64_t>> out;
  for (std::size_t q = 0; q < m.rows; ++q) out.emplace_back(m.row(q), m.row(q) + m.cols);
  return out;
}

using Rows = std::vector<std::vector<std::uint64_t>>;

TEST(DistanceMatrix, LevenshteinWithAndWithoutCutoff) {
  const auto queries = texts({"abc", ""});
  const auto choices = texts({"abd", "abc", "x"});
  EXPECT_EQ(rows(levenshtein_matrix(queries, choices, std::nullopt).value()), (Rows{{1, 0, 3}, {3, 3, 1}}));
  EXPECT_EQ(rows(levenshtein_matrix(queries, choices, 1).value()), (Rows{{1, 0, 2}, {2, 2, 1}}));
}

TEST(DistanceMatrix, ShapesWithoutCells) {
  const auto none = texts({});
  const auto two = texts({"a", "b"});
  const auto m = levenshtein_matrix(none, two, std::nullopt).value();
  EXPECT_EQ(m.rows, 0u);
  const auto n = osa_matrix(two, none, std::nullopt).value();
  EXPECT_EQ(n.rows, 2u);
  EXPECT_EQ(n.cols, 0u);
  // An out-of-range cutoff is only refused when a cell would use it.
  EXPECT_TRUE(normalized_similarity_matrix(two, none, 2.0).ok());
  EXPECT_TRUE(normalized_distance_matrix(none, two, -1.0).ok());
  EXPECT_FALSE(normalized_similarity_matrix(two, two, 2.0).ok());
  EXPECT_FALSE(normalized_distance_matrix(two, two, -1.0).ok());
}

TEST(DistanceMatrix, CellsEqualThePairwiseMetric) {
  const auto words = texts({"", "a", "ab", "ba", "abc", "cab", "kitten", "sitting", "とうきょう"});
  StringWorkspace ws;
  for (std::optional<std::uint64_t> k : {std::optional<std::uint64_t>{}, std::optional<std::uint64_t>{0},
                                         std::optional<std::uint64_t>{2}}) {
    const auto lev = levenshtein_matrix(words, words, k).value();
    const auto osa = osa_matrix(words, words, k).value();
    for (std::size_t q = 0; q < words.size(); ++q) {
      for (std::size_t c = 0; c < words.size(); ++c) {
        EXPECT_EQ(lev.row(q)[c], levenshtein_with_cutoff(words[q], words[c], k, ws));
        EXPECT_EQ(osa.row(q)[c], osa_with_cutoff(words[q], words[c], k, ws));
      }
    }
  }
  const auto sim = normalized_similarity_matrix(words, words, 0.5).value();
  const auto dist = normalized_distance_matrix(words, words, 0.5).value();
  for (std::size_t q = 0; q < words.size(); ++q) {
    for (std::size_t c = 0; c < words.size(); ++c) {
      EXPECT_EQ(sim.row(q)[c], normalized_similarity(words[q], words[c], 0.5, ws).value());
      EXPECT_EQ(dist.row(q)[c], normalized_distance(words[q], words[c], 0.5, ws).value());
    }
  }
}

}  // namespace
}  // namespace lumra
