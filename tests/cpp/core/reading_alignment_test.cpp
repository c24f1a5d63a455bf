// The partial alignments by readings against a brute-force search that
// converts and scores every span on its own with the plain pairwise
// functions, on random texts read by a small fake converter; and the cases
// where the rules themselves show.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "core/alignment/reading_alignment.h"
#include "core/base/cutoff.h"
#include "core/base/utf8.h"
#include "core/lattice/lattice_state_limit.h"
#include "core/lattice/path_list.h"
#include "core/alignment/reading_span_scorers.h"
#include "core/alignment/span_outlook.h"
#include "core/strings/levenshtein.h"
#include "core/strings/similarity.h"

namespace lumra {
namespace {

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

struct FakeError {
  std::string what;
};

using Readings = std::vector<std::string>;
using Converted = Result<std::optional<Readings>, FakeError>;

// Each character has a few alternative readings; a span reads as every
// combination of its characters' readings, in order, up to kMaxReadings.
// 'x' has no reading, so a span containing it has none; '!' fails the
// conversion; 'o' reads as nothing and 'm' as nothing or "mu", so a span of
// 'm' alone mixes empty and non-empty readings.
class FakeConverter {
 public:
  static constexpr std::size_t kMaxReadings = 12;

  Converted operator()(std::string_view span) {
    ++calls;
    Readings out{""};
    for (Symbol c : decode_utf8(span)) {
      if (c == '!') return Fail(FakeError{"cannot read '!'"});
      if (c == 'x') return std::optional<Readings>();
      const auto found = table.find(c);
      if (found == table.end()) return std::optional<Readings>();
      Readings next;
      for (const std::string& head : out) {
        for (const std::string& tail : found->second) {
          if (next.size() < kMaxReadings) next.push_back(head + tail);
        }
      }
      out = std::move(next);
    }
    return std::optional<Readings>(std::move(out));
  }

  std::map<Symbol, Readings> table = {
      {'a', {"ka", "ga"}},        {'b', {"shi", "si", "ji"}}, {'c', {"n"}},
      {'d', {"to", "do"}},        {'o', {""}},                {'m', {"", "mu"}},
      {U'東', {"tou", "higashi"}}, {U'京', {"kyou", "kei"}},   {U'都', {"to", "miyako"}},
      {U'犬', {"inu", "ken"}},     {U'猫', {"neko"}},
  };
  int calls = 0;
};

// What FakeConverter gives a span, told without the search's converter:
// truthfully, but Unknown for about one span in `unknown_in`, with a chain
// node count up to two above the true one and a shortest reading up to two
// below (an outlook may be pessimistic).
class FakeOutlook {
 public:
  explicit FakeOutlook(std::uint64_t seed, std::uint64_t unknown_in = 4)
      : rng_(seed), unknown_in_(unknown_in) {}

  SpanOutlook operator()(std::string_view span) {
    ++asked;
    FakeConverter convert;
    Converted converted = convert(span);
    if (!converted || rng_() % unknown_in_ == 0) return SpanOutlook{};
    if (!converted.value()) return SpanOutlook{SpanOutlook::Kind::kNoReadings, std::nullopt, std::nullopt};
    std::vector<std::vector<Symbol>> readings;
    std::uint64_t shortest = kMax;
    for (const std::string& r : *converted.value()) {
      readings.push_back(decode_utf8(r));
      shortest = std::min<std::uint64_t>(shortest, readings.back().size());
    }
    SpanOutlook told{SpanOutlook::Kind::kReadings, std::nullopt, std::nullopt};
    if (rng_() % unknown_in_ != 0) told.min_symbols = shortest - std::min<std::uint64_t>(shortest, rng_() % 3);
    const auto nodes = path_list_lattice_node_count(readings);
    if (nodes && rng_() % unknown_in_ != 0) told.chain_nodes = nodes.value() + rng_() % 3;
    return told;
  }
  int asked = 0;

 private:
  std::mt19937_64 rng_;
  std::uint64_t unknown_in_;
};

template <class Score>
using Outcome = Result<std::optional<Alignment<Score>>, ReadingAlignmentError<FakeError>>;

// One line per outcome, so that a mismatch shows both sides in full.
template <class Score>
std::string describe(const Outcome<Score>& outcome) {
  if (!outcome) {
    const auto& error = outcome.error();
    return error.index() == 0 ? "conversion error: " + std::get<0>(error).what
                              : "core error: " + message(std::get<1>(error));
  }
  if (!outcome.value()) return "none";
  const Alignment<Score>& a = *outcome.value();
  char score[32];
  std::snprintf(score, sizeof(score), "%.17g", static_cast<double>(a.score));
  return "(" + std::string(score) + ", " + std::to_string(a.query_start) + ", " +
         std::to_string(a.query_end) + ", " + std::to_string(a.span_start) + ", " +
         std::to_string(a.span_end) + ")";
}

// ---------------------------------------------------------------------------
// Brute force: every span converted and scored from scratch.

std::vector<std::vector<Symbol>> decoded(const Readings& readings) {
  std::vector<std::vector<Symbol>> out;
  for (const std::string& r : readings) out.push_back(decode_utf8(r));
  return out;
}

struct Span {
  std::uint64_t start;
  std::uint64_t end;
};

std::vector<Span> all_spans(std::uint64_t query_length, std::uint64_t text_length,
                            std::uint64_t max_span_chars, const Readings& query_readings) {
  std::uint64_t window = max_span_chars;
  if (window == 0) {
    std::uint64_t longest = 0;
    for (const auto& r : decoded(query_readings)) longest = std::max<std::uint64_t>(longest, r.size());
    const std::uint64_t from_query =
        query_length == 0 ? 0 : std::max(2 * query_length, query_length + 4);
    window = std::max(from_query, longest);
  }
  if (query_length == 0 || window == 0 || text_length == 0) return {{0, 0}};
  std::vector<Span> spans;
  for (std::uint64_t s = 0; s < text_length; ++s) {
    for (std::uint64_t e = s + 1; e <= text_length && e - s <= window; ++e) spans.push_back({s, e});
  }
  return spans;
}

template <class Score>
bool beats(Score score, Span span, const std::optional<Alignment<Score>>& best,
           bool smaller_is_better) {
  if (!best) return true;
  if (score != best->score) return smaller_is_better ? score < best->score : score > best->score;
  const std::uint64_t length = span.end - span.start;
  const std::uint64_t best_length = best->span_end - best->span_start;
  return length < best_length || (length == best_length && span.start < best->span_start);
}

template <class Score, class ScoreSpan>
Outcome<Score> brute_force(std::string_view query, const Readings& query_readings,
                           std::string_view text, std::uint64_t max_span_chars,
                           bool smaller_is_better, ScoreSpan&& score_span) {
  const std::vector<Symbol> query_symbols = decode_utf8(query);
  const std::vector<Symbol> text_symbols = decode_utf8(text);
  FakeConverter convert;
  std::optional<Alignment<Score>> best;
  for (Span span : all_spans(query_symbols.size(), text_symbols.size(), max_span_chars,
                             query_readings)) {
    const std::string span_text = encode_utf8(
        Symbols(text_symbols).subspan(span.start, span.end - span.start));
    Converted readings = convert(span_text);
    if (!readings) return Fail(ReadingAlignmentError<FakeError>(std::in_place_index<0>,
                                                                readings.take_error()));
    if (!readings.value()) continue;
    Result<std::optional<Score>, CoreError> scored = score_span(decoded(*readings.value()));
    if (!scored) return Fail(ReadingAlignmentError<FakeError>(std::in_place_index<1>,
                                                              scored.take_error()));
    if (!scored.value()) continue;
    const Score score = *scored.value();
    if (beats(score, span, best, smaller_is_better)) {
      best = Alignment<Score>{score, 0, query_symbols.size(), span.start, span.end};
    }
  }
  return best;
}

Outcome<std::uint64_t> brute_force_distance(std::string_view query, const Readings& query_readings,
                                            std::string_view text, std::uint64_t max_span_chars,
                                            std::optional<std::uint64_t> cutoff) {
  const auto q = decoded(query_readings);
  auto query_lattice = path_list_lattice(q);
  if (!query_lattice) {
    return Fail(ReadingAlignmentError<FakeError>(std::in_place_index<1>,
                                                 CoreError(query_lattice.error())));
  }
  StringWorkspace workspace;
  auto score = [&](const std::vector<std::vector<Symbol>>& r)
      -> Result<std::optional<std::uint64_t>, CoreError> {
    if (best_pair_similarity(q, r, workspace) <= 0.0) return std::optional<std::uint64_t>();
    auto span_lattice = path_list_lattice(r);
    if (!span_lattice) return Fail(CoreError(span_lattice.error()));
    auto states = lattice_state_count(query_lattice.value(), span_lattice.value());
    if (!states) return Fail(CoreError(states.error()));
    std::uint64_t distance = kMax;
    for (const auto& a : q) {
      for (const auto& b : r) distance = std::min(distance, levenshtein(a, b, workspace));
    }
    if (cutoff && distance > *cutoff) return std::optional<std::uint64_t>();
    return std::optional<std::uint64_t>(distance);
  };
  return brute_force<std::uint64_t>(query, query_readings, text, max_span_chars, true, score);
}

Outcome<double> brute_force_ratio(std::string_view query, const Readings& query_readings,
                                  std::string_view text, std::uint64_t max_span_chars,
                                  std::optional<double> cutoff) {
  const auto q = decoded(query_readings);
  StringWorkspace workspace;
  auto score = [&](const std::vector<std::vector<Symbol>>& r)
      -> Result<std::optional<double>, CoreError> {
    double s = best_pair_similarity(q, r, workspace);
    if (cutoff) {
      if (!fractional_cutoff_in_range(*cutoff)) return Fail(CoreError(CutoffOutOfRange{}));
      if (s < *cutoff) s = 0.0;
    }
    if (s <= 0.0 || (cutoff && *cutoff > s)) return std::optional<double>();
    return std::optional<double>(s);
  };
  return brute_force<double>(query, query_readings, text, max_span_chars, false, score);
}

// With `outlook`, the alignment may leave spans unconverted; `calls`, when
// given, receives how many conversions it made.
Outcome<std::uint64_t> distance_alignment(std::string_view query, const Readings& query_readings,
                                          std::string_view text, std::uint64_t max_span_chars,
                                          std::optional<std::uint64_t> cutoff,
                                          FakeOutlook* outlook = nullptr, int* calls = nullptr) {
  FakeConverter convert;
  auto aligned = outlook != nullptr
                     ? partial_distance_alignment_by_readings(query, query_readings, text,
                                                              max_span_chars, cutoff, convert,
                                                              *outlook)
                     : partial_distance_alignment_by_readings(query, query_readings, text,
                                                              max_span_chars, cutoff, convert);
  if (calls != nullptr) *calls = convert.calls;
  return aligned;
}

Outcome<double> ratio_alignment(std::string_view query, const Readings& query_readings,
                                std::string_view text, std::uint64_t max_span_chars,
                                std::optional<double> cutoff, FakeOutlook* outlook = nullptr,
                                int* calls = nullptr) {
  FakeConverter convert;
  auto aligned = outlook != nullptr
                     ? partial_ratio_alignment_by_readings(query, query_readings, text,
                                                           max_span_chars, cutoff, convert,
                                                           *outlook)
                     : partial_ratio_alignment_by_readings(query, query_readings, text,
                                                           max_span_chars, cutoff, convert);
  if (calls != nullptr) *calls = convert.calls;
  return aligned;
}

// ---------------------------------------------------------------------------

TEST(ReadingAlignment, AgreesWithBruteForceOnRandomTexts) {
  std::mt19937_64 rng(0x0A11C4);
  const auto below = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
  // Mostly readable characters; the unreadable, failing and mixed ones rare.
  const std::vector<std::string> common = {"a", "b", "c", "d", "o", "東", "京", "都", "犬", "猫"};
  const std::vector<std::string> rare = {"x", "!", "m"};
  const auto random_text = [&](std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
      text += below(12) == 0 ? rare[below(rare.size())] : common[below(common.size())];
    }
    return text;
  };
  const std::vector<Readings> odd_queries = {{"toukyou"}, {"kagi", "kaki"}, {"n", "nn"},
                                             {""}, {"", ""}, {}, {"", "ka"}};
  int compared = 0;
  int left_unconverted = 0;  // spans the outlooks spared
  for (int round = 0; round < 250; ++round) {
    std::string query = random_text(below(5));
    FakeConverter convert;
    Converted converted = convert(query);
    // The caller fails on a query without readings; use other readings then.
    Readings query_readings = converted && converted.value() ? *converted.value()
                                                             : odd_queries[below(odd_queries.size())];
    if (below(8) == 0) query_readings = odd_queries[below(odd_queries.size())];
    const std::string text = random_text(below(13));
    SCOPED_TRACE("round " + std::to_string(round) + " query '" + query + "' text '" + text + "'");
    for (std::uint64_t limit : {std::uint64_t{0}, std::uint64_t{1}, std::uint64_t{2},
                                std::uint64_t{below(6)}, kMax}) {
      for (std::optional<std::uint64_t> cutoff :
           {std::optional<std::uint64_t>(), std::optional<std::uint64_t>(0),
            std::optional<std::uint64_t>(1), std::optional<std::uint64_t>(3), std::optional(kMax)}) {
        SCOPED_TRACE("limit " + std::to_string(limit) + " distance cutoff " +
                     (cutoff ? std::to_string(*cutoff) : "none"));
        const std::string expected =
            describe(brute_force_distance(query, query_readings, text, limit, cutoff));
        int plain_calls = 0, outlook_calls = 0;
        ASSERT_EQ(describe(distance_alignment(query, query_readings, text, limit, cutoff, nullptr,
                                              &plain_calls)),
                  expected);
        ++compared;
        if (round % 2 != 0) continue;  // the outlooks on half the rounds
        FakeOutlook outlook(rng());
        ASSERT_EQ(describe(distance_alignment(query, query_readings, text, limit, cutoff,
                                              &outlook, &outlook_calls)),
                  expected);
        ASSERT_LE(outlook_calls, plain_calls);
        left_unconverted += plain_calls - outlook_calls;
      }
      std::vector<std::optional<double>> cutoffs = {std::nullopt, 0.0, 0.3, 0.5, 0.8, 1.0, 1.5,
                                                    std::nan("")};
      // The best score itself: a span scoring exactly the cutoff is kept.
      auto uncut = brute_force_ratio(query, query_readings, text, limit, std::nullopt);
      if (uncut && uncut.value()) cutoffs.push_back(uncut.value()->score);
      for (std::optional<double> cutoff : cutoffs) {
        SCOPED_TRACE("limit " + std::to_string(limit) + " ratio cutoff " +
                     (cutoff ? std::to_string(*cutoff) : "none"));
        const std::string expected =
            describe(brute_force_ratio(query, query_readings, text, limit, cutoff));
        int plain_calls = 0, outlook_calls = 0;
        ASSERT_EQ(describe(ratio_alignment(query, query_readings, text, limit, cutoff, nullptr,
                                           &plain_calls)),
                  expected);
        if (round % 2 != 0) continue;
        FakeOutlook outlook(rng());
        ASSERT_EQ(describe(ratio_alignment(query, query_readings, text, limit, cutoff, &outlook,
                                           &outlook_calls)),
                  expected);
        ASSERT_LE(outlook_calls, plain_calls);
        left_unconverted += plain_calls - outlook_calls;
      }
    }
  }
  EXPECT_GT(compared, 0);
  EXPECT_GT(left_unconverted, 1000) << left_unconverted;
}

// The span scorers alone against every pair, on lists of up to hundreds of
// readings (repeats, shared prefixes, the empty reading, readings beyond one
// word) and every kind of best so far. Their contract: the distance scorer
// gives the smallest pair distance when some pair is similar and it is kept
// and can beat `best`; the ratio scorer the best pair similarity when it
// reaches the cutoff and `best`.
TEST(ReadingSpanScorers, AgreeWithEveryPair) {
  std::mt19937_64 rng(0x5C0AE5);
  const auto below = [&](std::uint64_t n) { return rng() % n; };
  const std::vector<std::string> pieces = {"ka", "ga", "shi", "si", "n", "tou", "kyou", "a",
                                           "\u00e9", "\u4eac", std::string(70, 'z')};
  // Some lists mix the empty reading in, which no chain lattice holds.
  const auto random_list = [&](std::size_t most, bool mixed) {
    ReadingList list;
    const std::string stem = pieces[below(pieces.size() - 1)];
    for (std::size_t i = 0, n = below(most + 1); i < n; ++i) {
      std::string reading = below(3) == 0 ? "" : stem;
      for (std::uint64_t k = 0, m = below(4); k < m; ++k) reading += pieces[below(pieces.size())];
      if (reading.empty() && !mixed) reading = "n";
      list.push_back(mixed && below(40) == 0 ? "" : reading);
    }
    return list;
  };
  const PairSearch kSearches[] = {PairSearch::kChosen, PairSearch::kTrie, PairSearch::kPairByPair};
  StringWorkspace workspace;
  int scored = 0;
  for (int round = 0; round < 400; ++round) {
    const std::size_t most = round % 10 == 0 ? 300 : 12;
    ReadingList query = random_list(most, round % 7 == 0);
    if (query.empty()) query.push_back("ka");
    const ReadingList span = random_list(most, round % 5 == 0);
    const auto nodes = ReadingDistanceScorer::query_node_count(query);
    std::vector<std::vector<Symbol>> q, r;
    for (std::size_t i = 0; i < query.size(); ++i) q.emplace_back(query[i].begin(), query[i].end());
    for (std::size_t i = 0; i < span.size(); ++i) r.emplace_back(span[i].begin(), span[i].end());
    std::uint64_t nearest = kMax;
    for (const auto& a : q) {
      for (const auto& b : r) nearest = std::min(nearest, levenshtein(a, b, workspace));
    }
    const double similarity = best_pair_similarity(q, r, workspace);
    const std::uint64_t span_length = 1 + below(6);
    const std::uint64_t best_length = 1 + below(6);
    SCOPED_TRACE("round " + std::to_string(round));

    if (nodes) {
      const std::optional<std::uint64_t> cutoff =
          below(3) == 0 ? std::nullopt : std::optional<std::uint64_t>(below(12));
      std::optional<Alignment<std::uint64_t>> best;
      if (below(3) != 0) best = Alignment<std::uint64_t>{below(12), 0, 1, 0, best_length};
      std::string expected = "none";
      const auto span_nodes = path_list_lattice_node_count(r);
      if (!span.empty() && similarity > 0.0) {
        if (!span_nodes) {
          expected = message(CoreError(span_nodes.error()));
        } else {
          const auto states = lattice_state_count(nodes.value(), span_nodes.value());
          std::uint64_t wanted = cutoff.value_or(kMax);
          bool can_win = true;
          if (best && span_length < best_length) wanted = std::min(wanted, best->score);
          if (best && span_length >= best_length) {
            can_win = best->score > 0;
            if (can_win) wanted = std::min(wanted, best->score - 1);
          }
          if (!states) {
            expected = message(CoreError(states.error()));
          } else if (can_win && nearest <= wanted) {
            expected = std::to_string(nearest);
          }
        }
      }
      for (PairSearch search : kSearches) {
        ReadingDistanceScorer scorer(query, nodes.value(), cutoff, search);
        const auto got = scorer.score(span, span_length, best);
        ASSERT_EQ(!got ? message(got.error()) : got.value() ? std::to_string(*got.value()) : "none",
                  expected);
      }
      ++scored;
    }

    const std::optional<double> cutoff =
        below(3) == 0 ? std::nullopt : std::optional<double>(static_cast<double>(below(11)) / 10);
    std::optional<Alignment<double>> best;
    if (below(3) != 0) {
      best = Alignment<double>{below(4) == 0 ? 1.0 : static_cast<double>(below(11)) / 10, 0, 1, 0,
                               best_length};
    }
    double floor = cutoff.value_or(0.0);
    if (best) floor = std::max(floor, best->score);
    const bool hopeless = best && span_length >= best_length && best->score == 1.0;
    const std::optional<double> expected =
        !span.empty() && !hopeless && similarity >= floor ? std::optional(similarity) : std::nullopt;
    for (PairSearch search : kSearches) {
      ReadingRatioScorer scorer(query, cutoff, search);
      const auto got = scorer.score(span, span_length, best);
      ASSERT_TRUE(got);
      ASSERT_EQ(got.value(), expected);
    }
  }
  EXPECT_GT(scored, 300);
}

TEST(ReadingAlignment, AutomaticWindow) {
  EXPECT_EQ(reading_alignment_window(0, 3, 8), 8u);  // the longest reading
  EXPECT_EQ(reading_alignment_window(0, 3, 6), 7u);  // 3 + 4
  EXPECT_EQ(reading_alignment_window(0, 5, 6), 10u);  // 2 * 5
  EXPECT_EQ(reading_alignment_window(0, 0, 0), 0u);
  EXPECT_EQ(reading_alignment_window(0, 0, 3), 3u);
  EXPECT_EQ(reading_alignment_window(2, 3, 8), 2u);  // given, not chosen
  EXPECT_EQ(reading_alignment_window(0, kMax, 0), kMax);

  // Through the search: a converter whose readings shrink as the span grows
  // pushes the best span to the longest one allowed.
  auto shrinking = [](std::string_view span) -> Converted {
    return std::optional<Readings>(Readings{std::string(20 - span.size(), 'z')});
  };
  const std::string text(12, 'y');
  auto eight = partial_distance_alignment_by_readings("yyy", Readings{"zzzzzzzz"}, text, 0,
                                                      std::nullopt, shrinking);
  EXPECT_EQ(describe(eight), "(4, 0, 3, 0, 8)");
  auto seven = partial_distance_alignment_by_readings("yyy", Readings{"zzzzzz", "zz"}, text, 0,
                                                      std::nullopt, shrinking);
  EXPECT_EQ(describe(seven), "(7, 0, 3, 0, 7)");
}

TEST(ReadingAlignment, UnreadableTextAlignsNothing) {
  EXPECT_EQ(describe(distance_alignment("a", {"ka"}, "xxx", 0, std::nullopt)), "none");
  EXPECT_EQ(describe(ratio_alignment("a", {"ka"}, "xxx", 0, std::nullopt)), "none");
  // The ratio cutoff is checked on the first span with readings only.
  EXPECT_EQ(describe(ratio_alignment("a", {"ka"}, "xxx", 0, 1.5)), "none");
  EXPECT_EQ(describe(ratio_alignment("a", {"ka"}, "xxbx", 0, 1.5)),
            "core error: score_cutoff must be between 0.0 and 1.0");
  // Even when that span scores 0.0.
  EXPECT_EQ(describe(ratio_alignment("a", {"ka"}, "xc", 0, std::nan(""))),
            "core error: score_cutoff must be between 0.0 and 1.0");
}

TEST(ReadingAlignment, PositionsCountCharactersOfTheText) {
  EXPECT_EQ(describe(distance_alignment("東京都", {"toukyouto"}, "犬猫東京都犬", 0, std::nullopt)),
            "(0, 0, 3, 2, 5)");
  EXPECT_EQ(describe(ratio_alignment("東京都", {"toukyouto"}, "犬猫東京都犬", 0, std::nullopt)),
            "(1, 0, 3, 2, 5)");
}

TEST(ReadingAlignment, ShorterThenEarlierAmongEqualScores) {
  // "da" reads "toka" and "a" reads "ka", both 1 from "tka": the shorter wins.
  EXPECT_EQ(describe(distance_alignment("q", {"tka"}, "da", 5, std::nullopt)), "(1, 0, 1, 1, 2)");
  // "a" (ka) and "d" (to) are both 1 from "ta": the earlier wins.
  EXPECT_EQ(describe(distance_alignment("q", {"ta"}, "ad", 1, std::nullopt)), "(1, 0, 1, 0, 1)");
  EXPECT_EQ(describe(ratio_alignment("q", {"ta"}, "ad", 1, std::nullopt)), "(0.5, 0, 1, 0, 1)");
}

TEST(ReadingAlignment, DistanceCutoffZeroKeepsExactReadingsOnly) {
  EXPECT_EQ(describe(distance_alignment("京", {"kyou"}, "東x京", 0, 0)), "(0, 0, 1, 2, 3)");
  EXPECT_EQ(describe(distance_alignment("京", {"kyo"}, "東x京", 0, 0)), "none");
  EXPECT_EQ(describe(distance_alignment("京", {"kyo"}, "東x京", 0, std::nullopt)),
            "(1, 0, 1, 2, 3)");
}

TEST(ReadingAlignment, ConversionErrorEndsTheSearch) {
  EXPECT_EQ(describe(distance_alignment("a", {"ka"}, "ax!a", 0, std::nullopt)),
            "conversion error: cannot read '!'");
  EXPECT_EQ(describe(ratio_alignment("a", {"ka"}, "x!", 0, std::nullopt)),
            "conversion error: cannot read '!'");
}

TEST(ReadingAlignment, StateLimitAppliesOnlyToSpansPassingThePrefilter) {
  FakeConverter convert;
  convert.table['L'] = {std::string(4000, 'a')};
  convert.table['M'] = {std::string(4000, 'b')};
  const Readings query{std::string(4000, 'a')};  // 4001 nodes
  // 'M' has nothing in common with the query and is never searched.
  auto unrelated = partial_distance_alignment_by_readings("q", query, "M", 0, 3, convert);
  EXPECT_EQ(describe(unrelated), "none");
  auto similar = partial_distance_alignment_by_readings("q", query, "ML", 1, 3, convert);
  EXPECT_EQ(describe(similar),
            "core error: distance matrix 4001x4001 exceeds the maximum of 16000000 cells");
}

TEST(ReadingAlignment, EachSpanTextIsConvertedOnce) {
  FakeConverter convert;
  // Spans a, ab, b, ba, a, ab, b: four distinct texts.
  auto aligned =
      partial_distance_alignment_by_readings("b", Readings{"shi"}, "abab", 2, std::nullopt, convert);
  EXPECT_EQ(describe(aligned), "(0, 0, 1, 1, 2)");
  EXPECT_EQ(convert.calls, 4);
}

// Spans beyond reach are left unconverted only when their outlook shows
// they could not fail; the first that could is converted, and fails.
TEST(ReadingAlignment, OutlookSparesOnlySpansThatCannotFail) {
  struct Case {
    bool distance;
    std::string text;
    std::uint64_t unknown_in;  // 1: the outlook never tells
    std::string expected;
    int calls;  // conversions
  };
  const Case cases[] = {
      // "a" matches at once; the five longer spans cannot beat it.
      {false, "aaaaaa", 1000, "(1, 0, 1, 0, 1)", 1},
      {true, "aaaaaa", 1000, "(0, 0, 1, 0, 1)", 1},
      {false, "aaaaaa", 1, "(1, 0, 1, 0, 1)", 6},
      // "aaa!" would fail: it is converted, after "aa" and "aaa" were spared.
      {false, "aaa!a", 1000, "conversion error: cannot read '!'", 2},
      {true, "aaa!a", 1000, "conversion error: cannot read '!'", 2},
      // Spans without readings are spared too, beyond reach.
      {false, "axxx", 1000, "(1, 0, 1, 0, 1)", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + (c.distance ? " distance" : " ratio"));
    FakeOutlook outlook(7, c.unknown_in);
    int calls = 0;
    const std::string got =
        c.distance ? describe(distance_alignment("a", {"ka"}, c.text, 6, std::nullopt, &outlook,
                                                 &calls))
                   : describe(ratio_alignment("a", {"ka"}, c.text, 6, std::nullopt, &outlook,
                                              &calls));
    EXPECT_EQ(got, c.expected);
    EXPECT_EQ(calls, c.calls);
  }

  // A distance-form span beyond reach whose lattice would pass the state
  // limit beside the query's still ends the search: it is converted.
  // "L" reads as a query reading; "LM" does not fit beside the query.
  const Readings query{"z", std::string(2000, 'a')};  // 2001 nodes
  for (const bool nodes_known : {false, true}) {
    FakeConverter convert;
    convert.table['L'] = {"z"};
    convert.table['M'] = {std::string(8000, 'a')};
    auto outlook = [&](std::string_view span) {
      const std::uint64_t nodes = span == "L" ? 2 : span == "M" ? 8001 : 8002;
      return SpanOutlook{SpanOutlook::Kind::kReadings,
                         nodes_known ? std::optional(nodes) : std::nullopt, std::nullopt};
    };
    auto aligned = partial_distance_alignment_by_readings("q", query, "LM", 2, std::nullopt,
                                                          convert, outlook);
    EXPECT_EQ(describe(aligned),
              "core error: distance matrix 2001x8002 exceeds the maximum of 16000000 cells");
  }
}

}  // namespace
}  // namespace lumra

namespace lumra {
namespace {

// Where the distance scorer draws the line for spans it may pass over
// unconverted: a span whose readings are all longer than the query's
// longest ("ka", 2 symbols) by more than the distance it may have cannot
// win; it is passed over only if its chain lattice surely fits beside the
// query's (3 nodes).
TEST(ReadingSpanScorers, DistanceScorerPassesOverOnlySpansThatCannotWin) {
  using Best = std::optional<Alignment<std::uint64_t>>;
  constexpr auto kReadings = SpanOutlook::Kind::kReadings;
  constexpr std::uint64_t kFits = kMaxLatticeStates / 3;
  struct Case {
    std::optional<std::uint64_t> cutoff;
    Best best;
    std::uint64_t span_length;
    SpanOutlook outlook;
    bool worth_an_outlook;
    bool passes_over;
  };
  const Best best_2 = Alignment<std::uint64_t>{2, 0, 1, 0, 3};  // distance 2, 3 long
  const Best best_0 = Alignment<std::uint64_t>{0, 0, 1, 0, 3};
  const Case cases[] = {
      // Cutoff 3, no best: readings of 5 symbols may be 3 away, of 6 not.
      {3, std::nullopt, 6, {kReadings, 8, 5}, true, false},
      {3, std::nullopt, 6, {kReadings, 8, 6}, true, true},
      {3, std::nullopt, 5, {kReadings, 8, 6}, false, true},
      {3, std::nullopt, 6, {kReadings, kFits + 1, 6}, true, false},  // might fail
      {3, std::nullopt, 6, {kReadings, std::nullopt, 6}, true, false},
      {3, std::nullopt, 6, {kReadings, kFits, std::nullopt}, true, false},
      {3, std::nullopt, 6, {SpanOutlook::Kind::kUnknown, 8, 6}, true, false},
      {3, std::nullopt, 6, {SpanOutlook::Kind::kNoReadings, std::nullopt, std::nullopt}, true, true},
      // Best 2 over 3 symbols: as long or longer must come within 1 ...
      {std::nullopt, best_2, 4, {kReadings, 8, 3}, true, false},
      {std::nullopt, best_2, 4, {kReadings, 8, 4}, true, true},
      {std::nullopt, best_2, 3, {kReadings, 8, 4}, false, true},
      // ... shorter within 2.
      {std::nullopt, best_2, 2, {kReadings, 8, 4}, false, false},
      {std::nullopt, best_2, 2, {kReadings, 8, 5}, false, true},
      // Best 0: nothing as long wins, nothing shorter is too far by length.
      {std::nullopt, best_0, 3, {kReadings, 8, 0}, true, true},
      {std::nullopt, best_0, 3, {kReadings, kFits + 1, 0}, true, false},
      {std::nullopt, best_0, 2, {kReadings, 8, 2}, false, false},
      // No cutoff and no best: any distance is kept.
      {std::nullopt, std::nullopt, 1000, {kReadings, 8, 1000}, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("span " + std::to_string(c.span_length) + " shortest " +
                 (c.outlook.min_symbols ? std::to_string(*c.outlook.min_symbols) : "unknown"));
    ReadingList query;
    query.assign(Readings{"ka"});
    const ReadingDistanceScorer scorer(query, 3, c.cutoff);
    EXPECT_EQ(scorer.worth_an_outlook(c.span_length, c.best, true), c.worth_an_outlook);
    // Without the shortest reading, only the spans beyond reach.
    EXPECT_EQ(scorer.worth_an_outlook(c.span_length, c.best, false),
              c.best && c.best->score == 0 && c.span_length >= 3);
    EXPECT_EQ(scorer.passes_over(c.outlook, c.span_length, c.best), c.passes_over);
  }
}

}  // namespace
}  // namespace lumra
