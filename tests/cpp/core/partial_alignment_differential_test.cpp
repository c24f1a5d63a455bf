// The swept plain-string alignments against the straightforward ones
// (reference_partial_alignment.h): the same best span with the same score,
// or the same error, for every input, limit and cutoff.
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <type_traits>
#include <cstdint>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/alignment/partial_alignment.h"
#include "core/strings/levenshtein.h"
#include "core/strings/similarity.h"
#include "core/strings/string_metrics.h"
#include "random_texts.h"
#include "reference_partial_alignment.h"

namespace lumra {

template <class Score>
void PrintTo(const Alignment<Score>& a, std::ostream* out) {
  *out << "(" << a.score << ", " << a.query_start << ", " << a.query_end << ", " << a.span_start
       << ", " << a.span_end << ")";
}

namespace {

using testing::describe;

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

template <class T>
void expect_same(const Result<T, CoreError>& got, const Result<T, CoreError>& want) {
  ASSERT_EQ(got.ok(), want.ok()) << (got.ok() ? message(want.error()) : message(got.error()));
  if (want.ok()) {
    EXPECT_EQ(got.value(), want.value());
  } else {
    EXPECT_EQ(message(got.error()), message(want.error()));
  }
}

void expect_distance_forms_agree(Symbols query, Symbols text, std::uint64_t limit,
                                 const std::vector<std::optional<std::uint64_t>>& cutoffs) {
  for (const auto& cutoff : cutoffs) {
    SCOPED_TRACE("cutoff " + (cutoff ? std::to_string(*cutoff) : std::string("none")));
    expect_same(partial_distance_alignment(query, text, limit, cutoff),
                reference::partial_distance_alignment(query, text, limit, cutoff));
  }
}

void expect_ratio_forms_agree(Symbols query, Symbols text, std::uint64_t limit) {
  std::vector<std::optional<double>> cutoffs = {std::nullopt, 0.0, 0.5, 0.75, 1.0, 1.5, -0.1,
                                                std::numeric_limits<double>::quiet_NaN()};
  // The best score itself as the cutoff: a score equal to it is kept.
  auto uncut = reference::partial_ratio_alignment(query, text, limit, std::nullopt);
  if (uncut.ok() && uncut.value()) cutoffs.push_back(uncut.value()->score);
  for (const auto& cutoff : cutoffs) {
    SCOPED_TRACE("ratio cutoff " + (cutoff ? std::to_string(*cutoff) : std::string("none")));
    expect_same(partial_ratio_alignment(query, text, limit, cutoff),
                reference::partial_ratio_alignment(query, text, limit, cutoff));
  }
}

struct RandomCase {
  std::string name;
  std::size_t alphabet;
  std::size_t max_query;  // query lengths up to this
  std::size_t min_query;
  std::size_t max_text;
  int rounds;
};

void PrintTo(const RandomCase& c, std::ostream* out) { *out << c.name; }

class PartialAlignmentDifferential : public ::testing::TestWithParam<RandomCase> {};

TEST_P(PartialAlignmentDifferential, AgreesWithReferenceOnRandomTexts) {
  const RandomCase& c = GetParam();
  testing::TextGenerator generate(0x5EED0000 + c.alphabet * 131 + c.max_query);
  std::vector<Symbol> letters(c.alphabet);
  for (std::size_t i = 0; i < c.alphabet; ++i) letters[i] = static_cast<Symbol>('a' + i);
  const testing::Alphabet small{"small", letters};
  for (int round = 0; round < c.rounds; ++round) {
    const std::vector<Symbol> query =
        generate.text(small, c.min_query + generate.below(c.max_query - c.min_query + 1));
    // Often a text that contains an edited copy of the query, so that
    // small distances and ties are common.
    std::vector<Symbol> text = generate.text(small, generate.below(c.max_text + 1));
    if (generate.below(2) == 0) {
      const auto copy = generate.edited(query, small, 2);
      const std::size_t at = generate.below(text.size() + 1);
      text.insert(text.begin() + static_cast<std::ptrdiff_t>(at), copy.begin(), copy.end());
    }
    const std::uint64_t limits[] = {0, 1, generate.below(text.size() + 3), query.size(), kMax};
    SCOPED_TRACE("round " + std::to_string(round) + " query " + describe(query) + " text " +
                 describe(text));
    std::vector<std::optional<std::uint64_t>> cutoffs = {std::nullopt, kMax, kMax - 1};
    for (std::uint64_t k = 0; k <= query.size() + 1 && k <= 10; ++k) cutoffs.push_back(k);
    for (std::uint64_t limit : limits) {
      SCOPED_TRACE("limit " + std::to_string(limit));
      expect_distance_forms_agree(query, text, limit, cutoffs);
      expect_ratio_forms_agree(query, text, limit);
      if (HasFatalFailure()) return;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PartialAlignmentDifferential,
    ::testing::Values(RandomCase{"BinaryShortQueries", 2, 6, 0, 14, 120},
                      RandomCase{"ThreeLettersShortQueries", 3, 9, 0, 20, 80},
                      // Around the one-word bit-vector form: 63, 64, 65 symbols.
                      RandomCase{"QueriesAroundOneWord", 2, 66, 62, 24, 6},
                      RandomCase{"LongQueries", 3, 80, 67, 10, 3}),
    [](const auto& info) { return info.param.name; });

// Queries past two words, whose starts are swept four at a time where the
// processor allows: every span scored on its own by the string distance
// (the generic search with the plain scorers, which is what the lattice
// search of single paths gives) must pick the same span. Texts are short
// of, on and past multiples of the four lanes, and limits cut the sweeps
// at different lengths in each lane.
// The distance of the query to every span, each computed once on its own.
class SpanBySpan {
 public:
  SpanBySpan(Symbols query, Symbols text)
      : query_(query), text_(text), known_((text.size() + 1) * (text.size() + 1), kMax) {}

  template <class Form>
  auto align(std::uint64_t limit, const Form& form) {
    return partial_alignment(
        query_, text_, limit, form,
        [&](const TextSpan& span) -> Result<std::optional<typename Form::Score>, CoreError> {
          const std::uint64_t d = distance(span);
          if constexpr (std::is_same_v<Form, DistanceForm>) {
            if (form.cutoff && d > *form.cutoff) return std::optional<std::uint64_t>(*form.cutoff + 1);
            return std::optional<std::uint64_t>(d);
          } else {
            return std::optional<double>(
                similarity_from_distance(d, query_.size(), span.symbols.size()));
          }
        });
  }

 private:
  std::uint64_t distance(const TextSpan& span) {
    std::uint64_t& d = known_[span.start * (text_.size() + 1) + span.end];
    if (d == kMax) d = levenshtein(query_, span.symbols, workspace_);
    return d;
  }

  Symbols query_;
  Symbols text_;
  std::vector<std::uint64_t> known_;
  StringWorkspace workspace_;
};

TEST(PartialAlignmentDifferential, LongQueriesAgreeWithSpanBySpanScoring) {
  testing::TextGenerator generate(0x1a9e5);
  for (const testing::Alphabet& alphabet : testing::test_alphabets()) {
    for (int round = 0; round < 2; ++round) {
      const std::vector<Symbol> query = generate.text(alphabet, 129 + generate.below(140));
      std::vector<Symbol> text = generate.text(alphabet, generate.below(9));
      const auto copy = generate.edited(query, alphabet, 6);
      text.insert(text.begin() + static_cast<std::ptrdiff_t>(generate.below(text.size() + 1)),
                  copy.begin(), copy.end());
      if (round == 1) text.resize(text.size() - text.size() % 4 + 3);  // the last lanes short
      SCOPED_TRACE(std::string(alphabet.name) + " round " + std::to_string(round) + " query " +
                   describe(query) + " text " + describe(text));
      SpanBySpan oracle(query, text);
      for (const std::uint64_t limit : {std::uint64_t{1}, std::uint64_t{3}, query.size() - 2, kMax}) {
        SCOPED_TRACE("limit " + std::to_string(limit));
        for (const std::optional<std::uint64_t> cutoff :
             {std::optional<std::uint64_t>{}, std::optional<std::uint64_t>{0},
              std::optional<std::uint64_t>{4}, std::optional<std::uint64_t>{query.size()}}) {
          expect_same(partial_distance_alignment(query, text, limit, cutoff),
                      oracle.align(limit, DistanceForm{cutoff}));
        }
        for (const std::optional<double> cutoff :
             {std::optional<double>{}, std::optional<double>{0.5}, std::optional<double>{0.97}}) {
          expect_same(partial_ratio_alignment(query, text, limit, cutoff),
                      oracle.align(limit, RatioForm{cutoff}));
        }
        if (HasFatalFailure()) return;
      }
    }
  }
}

// A 1999-symbol query over an unrelated 2000-symbol text, every span up to
// 1999 symbols: a sweep per start, ceil(m / 64) word steps per symbol. The
// search used to compare every span on its own, a cube of the size (seconds
// here); the bound is loose for a loaded machine, far below that.
TEST(PartialAlignmentDifferential, LongestWindowIsSweptNotCubic) {
  testing::TextGenerator generate(2000);
  const testing::Alphabet& any = testing::test_alphabets()[5];
  const std::vector<Symbol> query = generate.text(any, 1999);
  const std::vector<Symbol> text = generate.text(any, 2000);
  const std::clock_t began = std::clock();
  const auto distance = partial_distance_alignment(query, text, 1999, std::nullopt);
  const auto ratio = partial_ratio_alignment(query, text, 1999, std::nullopt);
  const double seconds = static_cast<double>(std::clock() - began) / CLOCKS_PER_SEC;
  ASSERT_TRUE(distance.ok() && distance.value() && ratio.ok() && ratio.value());
  // Both forms score by the same distance: the best ratio span is no
  // closer than the best distance span, which is as close as its score says.
  StringWorkspace workspace;
  const auto span_of = [&](const auto& a) {
    return Symbols(text).subspan(a.span_start, a.span_end - a.span_start);
  };
  EXPECT_EQ(levenshtein(query, span_of(*distance.value()), workspace), distance.value()->score);
  EXPECT_LE(distance.value()->score, levenshtein(query, span_of(*ratio.value()), workspace));
#if !defined(__SANITIZE_ADDRESS__)
  // Instrumented builds run several times slower; the bound holds for the
  // optimised build only.
  EXPECT_LT(seconds, 2.0);
#else
  (void)seconds;
#endif
}

// The state limit ends the search at the first span, in enumeration order,
// whose lattice search would be too large, whatever was scored before it.
TEST(PartialAlignmentDifferential, StateLimitFailsAtTheSameSpan) {
  // Rows of 4000000: spans of up to 3 symbols fit (16000000 states), the
  // fourth span of the first start does not.
  const std::vector<Symbol> query(3999999, 'a');
  expect_distance_forms_agree(query, std::vector<Symbol>{'a', 'b', 'a', 'c'}, 4, {1});
  // Rows of 2000000: every span of at most 2 symbols fits.
  const std::vector<Symbol> shorter(1999999, 'a');
  expect_distance_forms_agree(shorter, std::vector<Symbol>{'b', 'a'}, 2, {std::nullopt, 2});
  // Only the empty span: rows of 16000000 fit exactly, one more does not.
  expect_distance_forms_agree(shorter, std::vector<Symbol>{'a'}, 0, {std::nullopt});
  expect_distance_forms_agree(std::vector<Symbol>(16000000, 'b'), std::vector<Symbol>{'a'}, 0,
                              {std::nullopt, 0});
}

}  // namespace
}  // namespace lumra
