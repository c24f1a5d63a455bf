#include "core/alignment/partial_alignment.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/alignment/span_enumeration.h"
#include "lattice_test_support.h"

namespace lumra {

template <class Score>
void PrintTo(const Alignment<Score>& a, std::ostream* out) {
  *out << "(" << a.score << ", " << a.query_start << ", " << a.query_end << ", " << a.span_start
       << ", " << a.span_end << ")";
}

namespace {

using testing::symbols;

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
// The similarity of a distance of 1 over 3 symbols, computed as the library does.
const double kTwoThirds = 1.0 - 1.0 / 3.0;

using Spans = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

// The (start, end) of every candidate, checking that each span views the
// text itself.
Spans spans_of(std::string_view text, std::uint64_t limit, bool query_is_empty) {
  const std::vector<Symbol> t = symbols(text);
  Spans out;
  SpanEnumeration spans = enumerate_spans(t, limit, query_is_empty);
  while (auto span = spans.next()) {
    EXPECT_EQ(span->symbols.size(), span->end - span->start);
    if (!span->symbols.empty()) {
      EXPECT_EQ(span->symbols.data(), t.data() + span->start);
    }
    out.emplace_back(span->start, span->end);
  }
  return out;
}


TEST(EnumerateSpans, ByStartThenLength) {
  EXPECT_EQ(spans_of("abcd", 2, false),
            (Spans{{0, 1}, {0, 2}, {1, 2}, {1, 3}, {2, 3}, {2, 4}, {3, 4}}));
  EXPECT_EQ(spans_of("abc", kMax, false), spans_of("abc", 3, false));
  EXPECT_EQ(spans_of("abc", kMax, false), (Spans{{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}}));
}

TEST(EnumerateSpans, OnlyTheEmptySpanWhenNothingToAlign) {
  EXPECT_EQ(spans_of("abc", 3, true), (Spans{{0, 0}}));
  EXPECT_EQ(spans_of("abc", 0, false), (Spans{{0, 0}}));
  EXPECT_EQ(spans_of("", 3, false), (Spans{{0, 0}}));
}

using DistanceResult = std::optional<Alignment<std::uint64_t>>;
using RatioResult = std::optional<Alignment<double>>;

struct DistanceCase {
  std::string name;
  std::string query, text;
  std::uint64_t limit;
  std::optional<std::uint64_t> cutoff;
  DistanceResult expected;
};

class PlainDistanceAlignment : public ::testing::TestWithParam<DistanceCase> {};

TEST_P(PlainDistanceAlignment, FindsTheBestSpan) {
  const DistanceCase& c = GetParam();
  auto aligned =
      partial_distance_alignment(symbols(c.query), symbols(c.text), c.limit, c.cutoff);
  ASSERT_TRUE(aligned.ok()) << message(aligned.error());
  EXPECT_EQ(aligned.value(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlainDistanceAlignment,
    ::testing::Values(
        DistanceCase{"ExactMatch", "abc", "xxabcxx", 5, std::nullopt, {{0, 0, 3, 2, 5}}},
        DistanceCase{"ExactMatchWithZeroCutoff", "abc", "xxabcxx", 5, 0, {{0, 0, 3, 2, 5}}},
        DistanceCase{"ZeroLimitScoresTheEmptySpan", "abc", "xyz", 0, std::nullopt,
                     {{3, 0, 3, 0, 0}}},
        DistanceCase{"EmptySpanBeyondCutoff", "abc", "xyz", 0, 2, std::nullopt},
        DistanceCase{"NothingWithinCutoff", "abc", "xyz", 5, 0, std::nullopt},
        DistanceCase{"EmptyQuery", "", "abc", 5, std::nullopt, {{0, 0, 0, 0, 0}}},
        DistanceCase{"EmptyText", "ab", "", 5, std::nullopt, {{2, 0, 2, 0, 0}}},
        DistanceCase{"SingleSpan", "ab", "b", 3, std::nullopt, {{1, 0, 2, 0, 1}}},
        // 'a', 'ax', 'axb', 'xb' and 'b' all score 1: shortest, then earliest.
        DistanceCase{"TieGoesToShortestThenEarliest", "ab", "axb", 3, std::nullopt,
                     {{1, 0, 2, 0, 1}}},
        DistanceCase{"CutoffKeepsSpansAtTheCutoff", "ab", "axb", 3, 1, {{1, 0, 2, 0, 1}}},
        DistanceCase{"UnlimitedSpanLength", "abc", "zabcz", kMax, std::nullopt,
                     {{0, 0, 3, 1, 4}}},
        // Positions count scalar values, not bytes.
        DistanceCase{"PositionsCountCharacters", "abc", "ÿabc", 3, std::nullopt,
                     {{0, 0, 3, 1, 4}}}),
    [](const auto& info) { return info.param.name; });

struct RatioCase {
  std::string name;
  std::string query, text;
  std::uint64_t limit;
  std::optional<double> cutoff;
  RatioResult expected;
};

class PlainRatioAlignment : public ::testing::TestWithParam<RatioCase> {};

TEST_P(PlainRatioAlignment, FindsTheBestSpan) {
  const RatioCase& c = GetParam();
  auto aligned = partial_ratio_alignment(symbols(c.query), symbols(c.text), c.limit, c.cutoff);
  ASSERT_TRUE(aligned.ok()) << message(aligned.error());
  EXPECT_EQ(aligned.value(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlainRatioAlignment,
    ::testing::Values(
        RatioCase{"ExactMatch", "abc", "zzabcz", 3, std::nullopt, {{1.0, 0, 3, 2, 5}}},
        RatioCase{"NoSharedSymbol", "abc", "xyz", 5, std::nullopt, std::nullopt},
        RatioCase{"EmptyText", "abc", "", 5, std::nullopt, std::nullopt},
        RatioCase{"EmptyQuery", "", "abc", 5, std::nullopt, {{1.0, 0, 0, 0, 0}}},
        // 'ab' scores 2/3 at [0,2); 'abd' reaches 2/3 too, but is longer.
        RatioCase{"TieGoesToShorter", "abc", "abd", 3, std::nullopt, {{kTwoThirds, 0, 3, 0, 2}}},
        RatioCase{"ScoreEqualToCutoffIsKept", "abc", "abd", 3, kTwoThirds,
                  {{kTwoThirds, 0, 3, 0, 2}}},
        RatioCase{"ScoreBelowCutoffIsRejected", "abc", "abd", 3, 0.7, std::nullopt}),
    [](const auto& info) { return info.param.name; });

TEST(PlainRatioAlignment, CutoffOutOfRangeFailsAtTheFirstSpan) {
  for (double cutoff : {1.5, -0.1, std::numeric_limits<double>::quiet_NaN()}) {
    for (const char* text : {"xxabcxx", ""}) {
      auto aligned = partial_ratio_alignment(symbols("abc"), symbols(text), 5, cutoff);
      ASSERT_FALSE(aligned.ok());
      EXPECT_EQ(message(aligned.error()), "score_cutoff must be between 0.0 and 1.0");
    }
  }
}

TEST(PlainDistanceAlignment, StateLimitStopsTheSearchAtTheFirstOversizedSpan) {
  // The query lattice has 2000000 nodes: spans of up to 7 symbols need at
  // most 16000000 states, a span of 8 needs 18000000.
  const std::vector<Symbol> query(1999999, 'a');
  auto too_long = partial_distance_alignment(query, symbols("aaaaaaaa"), 8, 0);
  ASSERT_FALSE(too_long.ok());
  EXPECT_EQ(message(too_long.error()),
            "distance matrix 2000000x9 exceeds the maximum of 16000000 cells");
  auto at_limit = partial_distance_alignment(query, symbols("aaaaaaa"), 8, 0);
  ASSERT_TRUE(at_limit.ok()) << message(at_limit.error());
  EXPECT_EQ(at_limit.value(), DistanceResult());  // nothing within distance 0
  // Even the empty span cannot hold a query this long.
  auto huge_query = partial_distance_alignment(std::vector<Symbol>(16000000, 'a'), {}, 8, {});
  ASSERT_FALSE(huge_query.ok());
  EXPECT_EQ(message(huge_query.error()),
            "distance matrix 16000001x1 exceeds the maximum of 16000000 cells");
}

// The generic search with scripted scorers: skips, errors and ties.
// The ratio form needs to report an invalid cutoff through the scorer's
// error type.
struct ScriptError {
  ScriptError(std::string text) : what(std::move(text)) {}
  ScriptError(CutoffOutOfRange) : what("cutoff") {}
  ScriptError(const CoreError& error) : what(message(error)) {}
  std::string what;
};

TEST(PartialAlignment, SkippedSpansTakeNoPart) {
  const std::vector<Symbol> text = symbols("abcd");
  std::vector<std::uint64_t> seen;
  auto scorer = [&](const TextSpan& span) -> Result<std::optional<std::uint64_t>, ScriptError> {
    seen.push_back(span.start * 10 + span.end);
    if (span.start == 0) return std::optional<std::uint64_t>();  // skip
    return std::optional<std::uint64_t>(span.end - span.start == 2 ? 1 : 5);
  };
  auto aligned = partial_alignment(symbols("q"), text, 2, DistanceForm{}, scorer);
  ASSERT_TRUE(aligned.ok());
  EXPECT_EQ(aligned.value(), (DistanceResult{{1, 0, 1, 1, 3}}));
  EXPECT_EQ(seen, (std::vector<std::uint64_t>{1, 2, 12, 13, 23, 24, 34}));
}

TEST(PartialAlignment, ErrorEndsTheSearchAtOnce) {
  int calls = 0;
  auto scorer = [&](const TextSpan& span) -> Result<std::optional<double>, ScriptError> {
    ++calls;
    if (span.end == 2) return Fail(ScriptError{"span " + std::to_string(span.start)});
    return std::optional<double>(1.0);
  };
  auto aligned = partial_alignment(symbols("q"), symbols("abc"), 3, RatioForm{}, scorer);
  ASSERT_FALSE(aligned.ok());
  EXPECT_EQ(aligned.error().what, "span 0");
  EXPECT_EQ(calls, 2);
}

TEST(PartialAlignment, RatioCutoffRangeIsCheckedOnlyOnceAScoreExists) {
  auto skip_all = [](const TextSpan&) -> Result<std::optional<double>, CoreError> {
    return std::optional<double>();
  };
  auto aligned = partial_alignment(symbols("q"), symbols("abc"), 3, RatioForm{2.0}, skip_all);
  ASSERT_TRUE(aligned.ok());
  EXPECT_EQ(aligned.value(), RatioResult());
}

TEST(PartialAlignment, LaterEqualSpanNeverReplacesTheBest) {
  // Every span of length 1 scores the same; the first one stays.
  auto flat = [](const TextSpan& span) -> Result<std::optional<double>, CoreError> {
    return std::optional<double>(span.end - span.start == 1 ? 0.5 : 0.25);
  };
  auto aligned = partial_alignment(symbols("q"), symbols("abcd"), 4, RatioForm{}, flat);
  ASSERT_TRUE(aligned.ok());
  EXPECT_EQ(aligned.value(), (RatioResult{{0.5, 0, 1, 0, 1}}));
}

}  // namespace
}  // namespace lumra
