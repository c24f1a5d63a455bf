#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/strings/internal/affixes.h"
#include "core/strings/levenshtein.h"
#include "core/strings/osa.h"
#include "core/strings/similarity.h"
#include "core/strings/string_metrics.h"
#include "core/base/utf8.h"
#include "random_texts.h"

namespace lumra {
namespace {

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

std::vector<Symbol> S(const std::string& utf8) { return decode_utf8(utf8); }

struct DistanceCase {
  std::string left, right;
  std::uint64_t levenshtein, osa;
};

class StringDistances : public ::testing::TestWithParam<DistanceCase> {};

TEST_P(StringDistances, BothMetricsBothOrdersAndEveryBound) {
  const auto& c = GetParam();
  const auto l = S(c.left), r = S(c.right);
  StringWorkspace ws;
  for (int swap = 0; swap < 2; ++swap) {
    const Symbols a = swap ? Symbols(r) : Symbols(l);
    const Symbols b = swap ? Symbols(l) : Symbols(r);
    EXPECT_EQ(levenshtein(a, b, ws), c.levenshtein);
    EXPECT_EQ(osa_distance(a, b, ws), c.osa);
    for (std::uint64_t k = 0; k <= c.levenshtein + 1; ++k) {
      const auto bounded = levenshtein_bounded(a, b, k, ws);
      EXPECT_EQ(bounded.has_value(), c.levenshtein <= k) << "bound " << k;
      if (bounded) {
        EXPECT_EQ(*bounded, c.levenshtein);
      }
      EXPECT_EQ(levenshtein_with_cutoff(a, b, k, ws), std::min(c.levenshtein, k + 1));
    }
    for (std::uint64_t k = 0; k <= c.osa + 1; ++k) {
      const auto bounded = osa_distance_bounded(a, b, k, ws);
      EXPECT_EQ(bounded.within, c.osa <= k) << "bound " << k;
      if (bounded.within) {
        EXPECT_EQ(bounded.value, c.osa);
      }
      EXPECT_EQ(osa_with_cutoff(a, b, k, ws), std::min(c.osa, k + 1));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StringDistances,
    ::testing::Values(DistanceCase{"", "", 0, 0}, DistanceCase{"", "abc", 3, 3},
                      DistanceCase{"ab", "ba", 2, 1}, DistanceCase{"ca", "abc", 3, 3},
                      DistanceCase{"abcdef", "abdcef", 2, 1},
                      DistanceCase{"saturday", "sunday", 3, 3},
                      DistanceCase{"intention", "execution", 5, 5},
                      DistanceCase{"kitten", "sitting", 3, 3},
                      DistanceCase{"aa", "aa", 0, 0},
                      // Precomposed e-acute against e + combining acute.
                      DistanceCase{"\xC3\xA9", "e\xCC\x81", 2, 2},
                      // One symbol outside the BMP.
                      DistanceCase{"\xF0\x9F\x98\x80", "", 1, 1},
                      DistanceCase{"\xE6\x9D\xB1\xE4\xBA\xAC", "\xE4\xBA\xAC\xE6\x9D\xB1", 2, 1},
                      DistanceCase{"a", "abcdef", 5, 5}));

TEST(StripCommonAffixes, PrefixThenNonOverlappingSuffix) {
  const auto a = S("abcab"), b = S("ab");
  auto [l, r] = internal::strip_common_affixes(a, b);
  EXPECT_EQ(l.size(), 3u);  // "cab": the suffix may not reuse the prefix's "ab"
  EXPECT_EQ(r.size(), 0u);
  const auto c = S("xaby"), d = S("xcby");
  auto [m, n] = internal::strip_common_affixes(c, d);
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0], 'a');
  EXPECT_EQ(n[0], 'c');
}

// The chunked scans against a symbol-by-symbol one: texts of every length
// around the sixteen-, eight- and four-symbol steps, differing at every position in
// turn, in the low and the high half of a 64-bit load.
TEST(StripCommonAffixes, ChunkedScansFindTheFirstDifference) {
  for (std::size_t length = 0; length <= 40; ++length) {
    for (std::size_t at = 0; at <= length; ++at) {
      for (const Symbol change : {Symbol{1}, Symbol{0x10000}, Symbol{0x80000000}}) {
        std::vector<Symbol> a(length), b;
        for (std::size_t i = 0; i < length; ++i) a[i] = static_cast<Symbol>(0x3041 + i);
        b = a;
        if (at < length) b[at] ^= change;
        SCOPED_TRACE("length " + std::to_string(length) + ", difference at " + std::to_string(at));
        EXPECT_EQ(internal::common_prefix_length(a.data(), b.data(), length), at);
        const std::size_t suffix = at < length ? length - 1 - at : length;
        EXPECT_EQ(internal::common_suffix_length(a.data(), b.data(), length), suffix);
        // Stripped middles keep the one differing symbol.
        auto [l, r] = internal::strip_common_affixes(a, b);
        EXPECT_EQ(l.size(), at < length ? 1u : 0u);
        EXPECT_EQ(r.size(), l.size());
      }
    }
  }
}

TEST(IntegerCutoff, SaturatesAtTheLargestCutoff) {
  StringWorkspace ws;
  const auto a = S("saturday"), b = S("sunday");
  EXPECT_EQ(levenshtein_with_cutoff(a, b, kMax, ws), 3u);
  EXPECT_EQ(osa_with_cutoff(a, b, kMax, ws), 3u);
  EXPECT_EQ(levenshtein_with_cutoff(a, b, std::nullopt, ws), 3u);
}

TEST(Similarity, FromDistance) {
  EXPECT_EQ(similarity_from_distance(0, 0, 0), 1.0);
  EXPECT_EQ(similarity_from_distance(3, 8, 6), 0.625);
  EXPECT_EQ(similarity_from_distance(5, 2, 3), 0.0);  // clamped
  EXPECT_EQ(similarity_from_distance(1, 1, 0), 0.0);
}

TEST(Similarity, CutoffRules) {
  StringWorkspace ws;
  const auto a = S("saturday"), b = S("sunday");
  EXPECT_EQ(normalized_similarity(a, b, std::nullopt, ws).value(), 0.625);
  EXPECT_EQ(normalized_similarity(a, b, 0.7, ws).value(), 0.0);
  EXPECT_EQ(normalized_similarity(a, b, 0.625, ws).value(), 0.625);
  EXPECT_EQ(normalized_distance(a, b, 0.3, ws).value(), 1.0);
  EXPECT_EQ(normalized_distance(a, b, 0.375, ws).value(), 0.375);
  for (double bad : {-0.1, 1.5, std::nan("")}) {
    EXPECT_FALSE(normalized_similarity(a, a, bad, ws).ok());
    EXPECT_FALSE(normalized_distance(a, a, bad, ws).ok());
  }
  EXPECT_EQ(message(CoreError(normalized_similarity(a, a, 2.0, ws).error())),
            "score_cutoff must be between 0.0 and 1.0");
}

// A cutoff lets the scores bound their distance; every reported score must
// still be the unbounded score with the cutoff applied afterwards, most of
// all for cutoffs at, just above and just below the score itself.
TEST(Similarity, CutoffsGiveTheScoresOfTheFullDistance) {
  StringWorkspace ws;
  testing::TextGenerator generate(77);
  for (const testing::Alphabet& alphabet : testing::test_alphabets()) {
    for (int i = 0; i < 150; ++i) {
      const auto [a, b] = generate.pair(alphabet, i % 4 == 0 ? 150 : 20, i % 2 == 0);
      const double similarity = string_similarity(a, b, ws);
      const double distance = 1.0 - similarity;
      std::vector<double> cutoffs{0.0, 1.0, 0.5, 0.9, 0.1};
      for (const double score : {similarity, distance}) {
        cutoffs.push_back(score);
        cutoffs.push_back(std::nextafter(score, 2.0));
        cutoffs.push_back(std::nextafter(score, -1.0));
      }
      for (const double cutoff : cutoffs) {
        if (cutoff < 0.0 || cutoff > 1.0) continue;
        SCOPED_TRACE(testing::describe(a) + " / " + testing::describe(b) + ", cutoff " +
                     std::to_string(cutoff));
        EXPECT_EQ(normalized_similarity(a, b, cutoff, ws).value(),
                  similarity < cutoff ? 0.0 : similarity);
        EXPECT_EQ(normalized_distance(a, b, cutoff, ws).value(),
                  distance > cutoff ? 1.0 : distance);
      }
      if (HasFailure()) return;
    }
  }
}

TEST(Similarity, BestPairStopsAtPerfectPair) {
  StringWorkspace ws;
  const std::vector<std::vector<Symbol>> left{S("abc"), S("xyz")}, right{S("xyz")};
  EXPECT_EQ(best_pair_similarity(left, right, ws), 1.0);
  const std::vector<std::vector<Symbol>> empty_pair{S(""), S("")}, abc{S("abc")};
  EXPECT_EQ(best_pair_similarity(empty_pair, abc, ws), 0.0);
  const std::vector<std::vector<Symbol>> none;
  EXPECT_EQ(best_pair_similarity(none, abc, ws), 0.0);
}

}  // namespace
}  // namespace lumra
