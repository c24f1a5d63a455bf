// The bit-parallel Levenshtein and restricted Damerau kernels against the
// row-by-row programmes they replace: same distance, and for every bound
// the same verdict (within or exceeded) and the same distance when within.
// Each pair is checked in both orders through every entry point: the public
// functions, the short, one-, two- to four- and multi-word kernels called directly (the
// multi-word one also on short patterns), and the cached query scorers.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/strings/cached_metrics.h"
#include "core/strings/internal/few_edits.h"
#include "core/strings/levenshtein.h"
#include "core/strings/internal/levenshtein_kernels.h"
#include "core/batch/levenshtein_lanes.h"
#include "core/strings/osa.h"
#include "core/strings/internal/osa_kernels.h"
#include "core/base/utf8.h"
#include "random_texts.h"

namespace lumra::internal {
namespace {

using testing::Alphabet;
using testing::describe;
using testing::test_alphabets;
using testing::TextGenerator;
using Text = std::vector<Symbol>;

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

std::uint64_t reference_levenshtein(Symbols a, Symbols b, StringWorkspace& ws) {
  return a.size() <= b.size() ? levenshtein_rows(a, b, ws)
                              : levenshtein_rows(b, a, ws);
}

std::uint64_t reference_osa(Symbols a, Symbols b, StringWorkspace& ws) {
  if (a.empty() || b.empty()) return std::max(a.size(), b.size());
  return osa_rows(a, b, ws);
}

// Every bound up to a little past the distance, and the extremes.
std::vector<std::uint64_t> bounds_for(std::uint64_t distance, std::uint64_t longer) {
  std::vector<std::uint64_t> bounds;
  for (std::uint64_t k = 0; k <= distance + 3; ++k) bounds.push_back(k);
  for (std::uint64_t k : {longer, longer + 1, kMax - 1, kMax}) bounds.push_back(k);
  if (longer > 0) bounds.push_back(longer - 1);
  return bounds;
}

// Within exactly when the distance is at most the bound, and then exact.
void expect_bounded(std::optional<std::uint64_t> got, std::uint64_t distance, std::uint64_t bound,
                    const char* what) {
  EXPECT_EQ(got.has_value(), distance <= bound) << what << ", bound " << bound;
  if (got && distance <= bound) {
    EXPECT_EQ(*got, distance) << what << ", bound " << bound;
  }
}

void expect_bounded(BoundedDistance got, std::uint64_t distance, std::uint64_t bound,
                    const char* what) {
  expect_bounded(got.within ? std::optional<std::uint64_t>(got.value) : std::nullopt, distance,
                 bound, what);
}

// Runs check(table) on the two- to four-word table of `pattern`, when one
// fits it.
template <class Check>
void with_words_table(Symbols pattern, Check check) {
  if (pattern.size() <= PatternMatchWord::kMaxLength) return;
  if (pattern.size() <= PatternMatchWords<2>::kMaxLength) {
    check(PatternMatchWords<2>(pattern));
  } else if (pattern.size() <= PatternMatchWords<3>::kMaxLength) {
    check(PatternMatchWords<3>(pattern));
  } else if (pattern.size() <= PatternMatchWords<4>::kMaxLength) {
    check(PatternMatchWords<4>(pattern));
  }
}

void check_levenshtein(const Text& a, const Text& b, StringWorkspace& ws) {
  const std::uint64_t expected = reference_levenshtein(a, b, ws);
  const std::uint64_t longer = std::max(a.size(), b.size());
  for (const std::uint64_t k : {std::uint64_t{0}, expected, expected + 1, expected - 1}) {
    const Symbols s = a.size() <= b.size() ? Symbols(a) : Symbols(b);
    const Symbols l = a.size() <= b.size() ? Symbols(b) : Symbols(a);
    expect_bounded(levenshtein_rows_bounded(s, l, k, ws), expected, k, "rows");
  }
  for (const bool swapped : {false, true}) {
    const Symbols p = swapped ? Symbols(b) : Symbols(a);
    const Symbols t = swapped ? Symbols(a) : Symbols(b);
    SCOPED_TRACE(swapped ? "pattern is the right operand" : "pattern is the left operand");
    const bool fits = p.size() <= PatternMatchWord::kMaxLength;
    const PatternMatchWord word(p);
    const WordPattern word_pattern{&word, 0, p.size()};
    PatternMatchBlocks blocks;
    blocks.assign(p);
    const CachedLevenshtein cached(p);

    EXPECT_EQ(levenshtein(p, t, ws), expected);
    if (fits) {
      EXPECT_EQ(levenshtein_word(word_pattern, t), expected);
    }
    with_words_table(p, [&](const auto& table) {
      EXPECT_EQ(levenshtein_words(table, t), expected) << "words";
      for (const std::uint64_t k : bounds_for(expected, longer)) {
        expect_bounded(levenshtein_words_bounded(table, t, k), expected, k, "words");
      }
    });
    const bool fits_short = p.size() <= PatternMatchShort::kMaxLength;
    if (fits_short) {
      EXPECT_EQ(levenshtein_short(PatternMatchShort(p), t), expected);
    }
    EXPECT_EQ(levenshtein_blocks(blocks, t, ws), expected);
    EXPECT_EQ(cached.distance(t, ws), expected);
    for (const std::uint64_t k : bounds_for(expected, longer)) {
      expect_bounded(levenshtein_bounded(p, t, k, ws), expected, k, "levenshtein_bounded");
      if (fits) {
        expect_bounded(levenshtein_word_bounded(word_pattern, t, k), expected, k, "word");
      }
      if (fits_short) {
        expect_bounded(levenshtein_short_bounded(PatternMatchShort(p), t, k), expected, k,
                       "short");
      }
      expect_bounded(levenshtein_blocks_bounded(blocks, t, k, ws), expected, k, "blocks");
      if (fits_narrow_band(p.size(), t.size(), k)) {
        expect_bounded(levenshtein_narrow_band(p, t, k), expected, k, "narrow band");
      }
      expect_bounded(cached.distance_within(t, k, ws), expected, k, "cached");
    }
    // The exhaustive search for tiny bounds, on the unstripped operands; it
    // is exact for any bound, so one past its limit is checked as well.
    for (std::uint64_t k = 0; k <= kFewEditsMaxBound + 1; ++k) {
      expect_bounded(levenshtein_few_edits(p, t, k), expected, k, "few edits");
    }
  }
}

void check_osa(const Text& a, const Text& b, StringWorkspace& ws) {
  const std::uint64_t expected = reference_osa(a, b, ws);
  const std::uint64_t longer = std::max(a.size(), b.size());
  if (!a.empty() && !b.empty()) {
    EXPECT_EQ(osa_rows(b, a, ws), expected) << "the reference is symmetric";
    for (const std::uint64_t k : {std::uint64_t{0}, expected, expected + 1, expected - 1}) {
      expect_bounded(osa_rows_bounded(a, b, k, ws), expected, k, "rows");
    }
  }
  for (const bool swapped : {false, true}) {
    const Symbols p = swapped ? Symbols(b) : Symbols(a);
    const Symbols t = swapped ? Symbols(a) : Symbols(b);
    SCOPED_TRACE(swapped ? "pattern is the right operand" : "pattern is the left operand");
    const bool fits = p.size() <= PatternMatchWord::kMaxLength;
    const PatternMatchWord word(p);
    const WordPattern word_pattern{&word, 0, p.size()};
    PatternMatchBlocks blocks;
    blocks.assign(p);
    const CachedOsa cached(p);

    EXPECT_EQ(osa_distance(p, t, ws), expected);
    if (fits) {
      EXPECT_EQ(osa_word(word_pattern, t), expected);
    }
    with_words_table(p, [&](const auto& table) {
      EXPECT_EQ(osa_words(table, t), expected) << "words";
      for (const std::uint64_t k : bounds_for(expected, longer)) {
        expect_bounded(osa_words_bounded(table, t, k), expected, k, "words");
      }
    });
    const bool fits_short = p.size() <= PatternMatchShort::kMaxLength;
    if (fits_short) {
      EXPECT_EQ(osa_short(PatternMatchShort(p), t), expected);
    }
    EXPECT_EQ(osa_blocks(blocks, t, ws), expected);
    EXPECT_EQ(cached.distance(t, ws), expected);
    for (const std::uint64_t k : bounds_for(expected, longer)) {
      expect_bounded(osa_distance_bounded(p, t, k, ws), expected, k, "osa_distance_bounded");
      if (fits) expect_bounded(osa_word_bounded(word_pattern, t, k), expected, k, "word");
      if (fits_short) {
        expect_bounded(osa_short_bounded(PatternMatchShort(p), t, k), expected, k,
                       "short");
      }
      expect_bounded(osa_blocks_bounded(blocks, t, k, ws), expected, k, "blocks");
      expect_bounded(cached.distance_within(t, k, ws), expected, k, "cached");
    }
    for (std::uint64_t k = 0; k <= kFewEditsMaxBound + 1; ++k) {
      expect_bounded(osa_few_edits(p, t, k), expected, k, "few edits");
    }
  }
}

struct FixedCase {
  std::string left, right;
  std::uint64_t levenshtein, osa;
};

std::string repeat(const std::string& unit, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i) out += unit;
  return out;
}

// 0, 1, 2, ... as distinct symbols, with positions `i` and `i + 1` swapped.
std::pair<Text, Text> swapped_at(std::size_t length, std::size_t i) {
  Text a(length);
  for (std::size_t k = 0; k < length; ++k) a[k] = static_cast<Symbol>(0x4E00 + k);
  Text b = a;
  std::swap(b[i], b[i + 1]);
  return {a, b};
}

TEST(BitParallelFixed, KnownDistances) {
  const std::vector<FixedCase> cases{
      {"", "", 0, 0},
      {"", "abc", 3, 3},
      {"ab", "ba", 2, 1},
      {"ca", "abc", 3, 3},  // after transposing "ca", neither symbol is edited again
      {"abcdef", "abdcef", 2, 1},
      {"xcay", "xabcy", 3, 3},  // shared ends change nothing, also for transpositions
      {"aab", "aba", 2, 1},
      {"saturday", "sunday", 3, 3},
      {"a", "abcdef", 5, 5},
      {"aaaa", "aaaa", 0, 0},
      {"aa", "aaa", 1, 1},
      {"abab", "baba", 2, 2},
      {"\xF0\x9F\x98\x80\xF0\x9F\x98\x81", "\xF0\x9F\x98\x81\xF0\x9F\x98\x80", 2, 1},
      {"\xE3\x81\x82\xE3\x81\x84", "\xE3\x81\x84\xE3\x81\x82\xE3\x81\x86", 2, 2},
      {repeat("a", 64), repeat("a", 65), 1, 1},
      {repeat("ab", 40), repeat("ba", 40), 2, 2},
      {repeat("a", 200), repeat("b", 200), 200, 200},
      {repeat("a", 130), "", 130, 130},
  };
  StringWorkspace ws;
  for (const FixedCase& c : cases) {
    SCOPED_TRACE(c.left + " / " + c.right);
    const Text a = decode_utf8(c.left), b = decode_utf8(c.right);
    ASSERT_EQ(reference_levenshtein(a, b, ws), c.levenshtein);
    ASSERT_EQ(reference_osa(a, b, ws), c.osa);
    check_levenshtein(a, b, ws);
    check_osa(a, b, ws);
  }
}

TEST(BitParallelFixed, TranspositionAcrossWordBoundaries) {
  StringWorkspace ws;
  // Swapping positions 63 and 64 puts the transposition across the first
  // word boundary of the pattern; 127/128 and 191/192 across later ones.
  for (const std::size_t at : {0, 62, 63, 64, 126, 127, 128, 190, 191, 192, 198}) {
    SCOPED_TRACE("swap at " + std::to_string(at));
    const auto [a, b] = swapped_at(200, at);
    EXPECT_EQ(reference_osa(a, b, ws), 1u);
    check_osa(a, b, ws);
    check_levenshtein(a, b, ws);
  }
}

// Every pair of short texts over a small alphabet: the corner cases of
// empty operands, single symbols and equal texts all come up.
TEST(BitParallelExhaustive, AllShortTexts) {
  const std::vector<Symbol> alphabet{'a', 'b', 0x3042};
  std::vector<Text> texts{{}};
  for (std::size_t start = 0; start < texts.size(); ++start) {
    if (texts[start].size() == 4) continue;
    for (const Symbol s : alphabet) {
      Text longer = texts[start];
      longer.push_back(s);
      texts.push_back(longer);
    }
  }
  ASSERT_EQ(texts.size(), 121u);
  StringWorkspace ws;
  for (const Text& a : texts) {
    for (const Text& b : texts) {
      check_levenshtein(a, b, ws);
      check_osa(a, b, ws);
      if (HasFailure()) FAIL() << describe(a) << " / " << describe(b);
    }
  }
}

// Comparisons run side by side in lanes give what each gives alone, for
// groups of every size, texts of different lengths (lanes finish at
// different columns), patterns seen through different offsets, and
// patterns without rows.
TEST(BitParallelLanes, MatchTheOneWordKernel) {
  TextGenerator generate(31);
  StringWorkspace ws;
  for (const Alphabet& alphabet : test_alphabets()) {
    for (int round = 0; round < 40; ++round) {
      const Text query = generate.text(alphabet, 1 + generate.below(64));
      const PatternMatchWord table(query);
      std::vector<Text> texts;
      std::vector<WordComparison> comparisons;
      const std::size_t count = generate.below(11);
      for (std::size_t i = 0; i < count; ++i) {
        texts.push_back(generate.text(alphabet, generate.length(i % 3 ? 20 : 90)));
      }
      for (std::size_t i = 0; i < count; ++i) {
        const auto offset = static_cast<unsigned>(generate.below(query.size()));
        const std::size_t length = generate.below(query.size() - offset + 1);
        comparisons.push_back({{&table, offset, length}, texts[i]});
      }
      std::vector<std::uint64_t> expected(count), portable(count, kMax), avx2(count, kMax),
          dispatched(count, kMax);
      for (std::size_t i = 0; i < count; ++i) {
        expected[i] = levenshtein_word(comparisons[i].pattern, comparisons[i].text);
        // The reference too, on the same rows.
        const Symbols rows = Symbols(query).subspan(comparisons[i].pattern.offset,
                                                    comparisons[i].pattern.length);
        ASSERT_EQ(expected[i], reference_levenshtein(rows, texts[i], ws));
      }
      levenshtein_word_lanes_portable(comparisons, portable.data());
      levenshtein_word_lanes(comparisons, dispatched.data());
      EXPECT_EQ(portable, expected);
      EXPECT_EQ(dispatched, expected);
      if (avx2_available()) {
        levenshtein_word_lanes_avx2(comparisons, avx2.data());
        EXPECT_EQ(avx2, expected);
      }
      if (HasFailure()) FAIL() << alphabet.name << ", round " << round;
    }
  }
}

struct RandomCase {
  std::size_t alphabet;  // index into test_alphabets()
  std::size_t max_length;
  bool related;
  int pairs;
  std::uint64_t seed;
};

void PrintTo(const RandomCase& c, std::ostream* out) {
  *out << test_alphabets()[c.alphabet].name << ", lengths up to " << c.max_length
       << (c.related ? ", related" : ", independent") << ", seed " << c.seed;
}

class BitParallelRandom : public ::testing::TestWithParam<RandomCase> {};

TEST_P(BitParallelRandom, MatchesTheRowKernels) {
  const RandomCase& c = GetParam();
  const Alphabet& alphabet = test_alphabets()[c.alphabet];
  TextGenerator generate(c.seed);
  StringWorkspace ws;  // shared by every pair: leftovers must never matter
  for (int i = 0; i < c.pairs; ++i) {
    const auto [a, b] = generate.pair(alphabet, c.max_length, c.related);
    check_levenshtein(a, b, ws);
    check_osa(a, b, ws);
    if (HasFailure()) FAIL() << "pair " << i << ": " << describe(a) << " / " << describe(b);
  }
}

// The sliding band assumes values for the cells just outside it; an
// assumption below the true value would let a path through the band's edge
// come out cheaper than it is, which only shows when the bound is met
// exactly. So every pair of binary texts up to length 9 is tried with every
// bound the band accepts, against the row programme.
TEST(BitParallelExhaustive, NarrowBandAtEveryBound) {
  std::vector<Text> texts{{}};
  for (std::size_t start = 0; start < texts.size(); ++start) {
    if (texts[start].size() == 9) continue;
    for (const Symbol s : {Symbol{'a'}, Symbol{'b'}}) {
      Text longer = texts[start];
      longer.push_back(s);
      texts.push_back(longer);
    }
  }
  StringWorkspace ws;
  for (const Text& a : texts) {
    for (const Text& b : texts) {
      if (b.size() + 3 < a.size() || a.size() + 3 < b.size()) continue;
      const std::uint64_t expected = reference_levenshtein(a, b, ws);
      for (std::uint64_t k = 0; k < std::max(a.size(), b.size()); ++k) {
        if (!fits_narrow_band(a.size(), b.size(), k)) continue;
        expect_bounded(levenshtein_narrow_band(a, b, k), expected, k, "narrow band");
      }
      if (HasFailure()) FAIL() << describe(a) << " / " << describe(b);
    }
  }
}

// Short texts whose symbols all fit one window of 256 code points above
// Latin-1 get a direct table shifted to that window; a window one code point
// too wide, or one that touches Latin-1, must fall back to the hashed table.
// Each alphabet sits on one side of those edges; the texts stay short enough
// for the windowed table (both together under 256 symbols) and cross 64.
TEST(BitParallelWindows, EdgesOfTheShiftedDirectTable) {
  const std::vector<Alphabet> alphabets{
      {"window exactly 256 wide", {0x4E00, 0x4E01, 0x4E80, 0x4EFF}},
      {"window one too wide", {0x4E00, 0x4E01, 0x4E80, 0x4F00}},
      {"top of the code space", {0x10FF00, 0x10FF01, 0x10FFFE, 0x10FFFF}},
      {"just above Latin-1", {0x100, 0x101, 0x1FF}},
      {"Latin-1 edge and wide", {0xFF, 0x100, 0x101, 0x3042}},
      {"two distant blocks", {0x3042, 0x3044, 0x20000, 0x20001}},
  };
  StringWorkspace ws;
  for (std::size_t i = 0; i < alphabets.size(); ++i) {
    const Alphabet& alphabet = alphabets[i];
    SCOPED_TRACE(alphabet.name);
    TextGenerator generate(900 + i);
    for (int n = 0; n < 120; ++n) {
      const auto [a, b] = generate.pair(alphabet, n % 3 == 0 ? 100 : 16, n % 2 == 0);
      check_levenshtein(a, b, ws);
      check_osa(a, b, ws);
      if (HasFailure()) FAIL() << "pair " << n << ": " << describe(a) << " / " << describe(b);
    }
  }
}

// Bounded calls on texts whose lengths differ by more than the bound are
// decided before any scan; around that edge the answer must not change,
// whether the texts share a prefix, a suffix or nothing at all.
TEST(BitParallelFixed, LengthDifferenceAtTheBound) {
  StringWorkspace ws;
  for (const std::size_t length : {std::size_t{0}, std::size_t{5}, std::size_t{64}, std::size_t{130}}) {
    for (std::size_t extra = 0; extra <= 4; ++extra) {
      Text a(length), shared_prefix, shared_suffix, unrelated;
      for (std::size_t i = 0; i < length; ++i) a[i] = static_cast<Symbol>(0x3041 + i % 50);
      shared_prefix = a;
      shared_suffix = a;
      for (std::size_t e = 0; e < extra; ++e) {
        shared_prefix.push_back('x');
        shared_suffix.insert(shared_suffix.begin(), 'y');
      }
      unrelated = Text(length + extra, 'z');
      SCOPED_TRACE("length " + std::to_string(length) + " + " + std::to_string(extra));
      for (const Text* b : {&shared_prefix, &shared_suffix, &unrelated}) {
        check_levenshtein(a, *b, ws);
        check_osa(a, *b, ws);
      }
    }
  }
}

std::string random_case_name(const ::testing::TestParamInfo<RandomCase>& info) {
  const RandomCase& c = info.param;
  return std::string(test_alphabets()[c.alphabet].name) + "_" + std::to_string(c.max_length) +
         (c.related ? "_related" : "_independent");
}

// Alphabets: 0 binary, 1 four, 2 kana, 3 astral, 4 mixed, 5 any.
INSTANTIATE_TEST_SUITE_P(
    Pairs, BitParallelRandom,
    ::testing::Values(RandomCase{0, 300, true, 300, 1}, RandomCase{0, 300, false, 150, 2},
                      RandomCase{0, 70, false, 400, 3}, RandomCase{1, 300, true, 300, 4},
                      RandomCase{1, 140, false, 300, 5}, RandomCase{2, 300, true, 250, 6},
                      RandomCase{2, 20, false, 600, 7}, RandomCase{3, 300, true, 250, 8},
                      RandomCase{3, 200, false, 100, 9}, RandomCase{4, 300, true, 250, 10},
                      RandomCase{4, 80, false, 300, 11}, RandomCase{5, 300, true, 200, 12}),
    random_case_name);

}  // namespace
}  // namespace lumra::internal
