#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/base/interruption.h"
#include "core/strings/similarity.h"
#include "ja/reading/ascii_token.h"
#include "ja/reading/pair_similarity.h"
#include "ja/reading/path_romaji.h"
#include "ja/reading/reading_lattice.h"
#include "ja/reading/reading_similarity.h"
#include "ja/reading/reading_strings.h"
#include "ja/reading/validate_reading_options.h"
#include "ja/unidic/segmentation.h"
#include "../core/counting_source.h"
#include "../core/lattice_test_support.h"
#include "ja_test_support.h"

namespace lumra::ja {
namespace {

using testing::FailingReadingIndex;
using testing::lattice_strings;
using testing::MapReadingIndex;
using testing::set_of;
using testing::strings_of;
using Entries = std::map<std::string, std::vector<std::string>>;
using Strings = std::vector<std::string>;

const Entries kTokyo = {{"東", {"ひがし", "とう"}}, {"京", {"きょう", "けい"}}, {"東京", {"とうきょう"}}};

ReadingOptions options_with(auto&& change) {
  ReadingOptions options;
  change(options);
  return options;
}
const ReadingOptions kDefaults;

// ---- Options -------------------------------------------------------------

struct OptionsCase {
  std::string name;
  ReadingOptions options;
  std::string expected;  // "" when valid
};

class ValidateOptions : public ::testing::TestWithParam<OptionsCase> {};

TEST_P(ValidateOptions, ChecksLimitsInOrder) {
  auto status = validate_reading_options(GetParam().options);
  EXPECT_EQ(status.ok() ? "" : message(status.error()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ValidateOptions,
    ::testing::Values(
        OptionsCase{"Defaults", {}, ""},
        OptionsCase{"AtTheLimits", {256, 256, 16384, true}, ""},
        OptionsCase{"SpanFirst", {300, 257, 16385, false},
                    "UniDic artifact max_span_chars length/count 257 exceeds limit 256"},
        OptionsCase{"PathsSecond", {300, 8, 16385, false},
                    "UniDic artifact max_paths length/count 16385 exceeds limit 16384"},
        OptionsCase{"ReadingsLast", {300, 8, 1024, false},
                    "UniDic artifact max_readings_per_segment length/count 300 exceeds limit 256"}),
    [](const auto& info) { return info.param.name; });

// ---- Segmentation ----------------------------------------------------------

// "surface:reading" per dictionary segment, "[surface]" per raw one, "|"
// between segments.
Strings describe(const std::vector<ReadingPath>& paths) {
  Strings out;
  for (const ReadingPath& path : paths) {
    std::string text, line;
    for (const ReadingSegment& segment : path.segments) {
      if (!line.empty()) line += '|';
      line += segment.raw ? "[" + std::string(segment.surface) + "]"
                          : std::string(segment.surface) + ":" + std::string(segment.reading);
      text += segment.reading;
    }
    EXPECT_EQ(text, path.text);
    out.push_back(line);
  }
  return out;
}

struct SegmentCase {
  std::string name;
  Entries entries;
  std::string text;
  ReadingOptions options;
  bool fallback;
  Strings expected;
};

class Segmentation : public ::testing::TestWithParam<SegmentCase> {};

TEST_P(Segmentation, GivesDistinctReadingTextsInByteOrder) {
  const MapReadingIndex index(GetParam().entries);
  auto paths = segment_reading_paths(index, GetParam().text, GetParam().options,
                                     GetParam().fallback);
  ASSERT_TRUE(paths.ok()) << message(paths.error());
  EXPECT_EQ(describe(paths.value()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Segmentation,
    ::testing::Values(
        SegmentCase{"OneSurfaceTwoReadings", {{"日", {"ひ", "にち"}}}, "日", kDefaults, false,
                    {"日:にち", "日:ひ"}},
        // とうきょう is formed first by 東|京, so that segmentation keeps it.
        SegmentCase{"FirstPathWithATextWins", kTokyo, "東京", kDefaults, false,
                    {"東:とう|京:きょう", "東:とう|京:けい", "東:ひがし|京:きょう", "東:ひがし|京:けい"}},
        SegmentCase{"LongestOnly", kTokyo, "東京",
                    options_with([](auto& o) { o.longest_only = true; }), false,
                    {"東京:とうきょう"}},
        SegmentCase{"FallbackIgnoresLongestOnly", kTokyo, "東京",
                    options_with([](auto& o) { o.longest_only = true; }), true,
                    {"東:とう|京:きょう", "東:とう|京:けい", "東:ひがし|京:きょう", "東:ひがし|京:けい"}},
        SegmentCase{"LongestWithinSpan", kTokyo, "東京", options_with([](auto& o) {
                      o.longest_only = true;
                      o.max_span_chars = 1;
                    }),
                    false,
                    {"東:とう|京:きょう", "東:とう|京:けい", "東:ひがし|京:きょう", "東:ひがし|京:けい"}},
        SegmentCase{"MaxReadingsPerSegment", kTokyo, "東京",
                    options_with([](auto& o) { o.max_readings_per_segment = 1; }), false,
                    {"東京:とうきょう", "東:ひがし|京:きょう"}},
        SegmentCase{"NoReadingsPerSegment", kTokyo, "東京",
                    options_with([](auto& o) { o.max_readings_per_segment = 0; }), false, {}},
        // Position 0 is full after its first insertion: the shortest surface's
        // first reading and the first continuation.
        SegmentCase{"MaxPathsOne", kTokyo, "東京",
                    options_with([](auto& o) { o.max_paths = 1; }), false,
                    {"東:ひがし|京:きょう"}},
        // Full after two: とう is never tried although it sorts first.
        SegmentCase{"MaxPathsStopsInGenerationOrder", kTokyo, "東京",
                    options_with([](auto& o) { o.max_paths = 2; }), false,
                    {"東:ひがし|京:きょう", "東:ひがし|京:けい"}},
        SegmentCase{"FullPositionSkipsTheFallback", {{"か", {"が"}}}, "か",
                    options_with([](auto& o) { o.max_paths = 1; }), true, {"か:が"}},
        SegmentCase{"FallbackRun", {{"か", {"が"}}}, "か", kDefaults, true, {"[か]", "か:が"}},
        // Only the longest readable run starting at 0 is offered, and な's
        // raw reading loses to the dictionary's equal one.
        SegmentCase{"OnlyTheLongestRun", {{"な", {"な"}}, {"漢", {"かん"}}}, "かな漢", kDefaults,
                    true, {"[かな]|漢:かん"}},
        SegmentCase{"NoRunWithoutFallback", {{"な", {"な"}}, {"漢", {"かん"}}}, "かな漢",
                    kDefaults, false, {}},
        SegmentCase{"UnreachableEnd", {{"漢", {"かん"}}}, "漢字", kDefaults, true, {}},
        SegmentCase{"SpanZero", kTokyo, "東京", options_with([](auto& o) { o.max_span_chars = 0; }),
                    true, {}},
        SegmentCase{"EmptyText", kTokyo, "", kDefaults, true, {}},
        SegmentCase{"FoldedLookup", {{"A B", {"えい"}}}, "Ａ　Ｂ", kDefaults, false,
                    {"Ａ　Ｂ:えい"}}),
    [](const auto& info) { return info.param.name; });

TEST(Segmentation, PassesLookupAndOptionErrorsOn) {
  const FailingReadingIndex index("京");
  auto failed = segment_reading_paths(index, "東京", kDefaults, false);
  ASSERT_FALSE(failed.ok());
  EXPECT_EQ(message(failed.error()), "invalid UniDic indexed artifact readings offset 42");
  auto strings = reading_strings(index, "東京", kDefaults);
  ASSERT_FALSE(strings.ok());
  EXPECT_EQ(message(strings.error()), "invalid UniDic indexed artifact readings offset 42");
  auto invalid = segment_reading_paths(index, "東京",
                                       options_with([](auto& o) { o.max_paths = 20000; }), false);
  ASSERT_FALSE(invalid.ok());
  EXPECT_EQ(message(invalid.error()),
            "UniDic artifact max_paths length/count 20000 exceeds limit 16384");
}

// ---- ASCII tokens ------------------------------------------------------------

struct TokenCase {
  std::string surface;  // the index's one entry
  std::string text;
  bool expected;
};

class AsciiToken : public ::testing::TestWithParam<TokenCase> {};

TEST_P(AsciiToken, LooksUpWholeAsciiRuns) {
  const MapReadingIndex index(Entries{{GetParam().surface, {"あ"}}});
  auto found = has_dictionary_ascii_token(index, GetParam().text);
  ASSERT_TRUE(found.ok());
  EXPECT_EQ(found.value(), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Cases, AsciiToken,
                         ::testing::Values(TokenCase{"abc", "abc", false},      // ASCII only
                                           TokenCase{"か", "かな", false},       // no ASCII word
                                           TokenCase{"ABC", "ABCかな", true},
                                           TokenCase{"AB", "ABCかな", false},   // runs are whole
                                           TokenCase{"B", "かなB", false},      // one letter at the end
                                           TokenCase{"B", "Bかな", true},
                                           TokenCase{"B", "かBな", true},
                                           TokenCase{"BC", "かなBC", true},
                                           TokenCase{"9", "9ー9", true}));

// ---- The string and lattice forms ----------------------------------------------

struct FormCase {
  std::string name;
  Entries entries;
  std::string text;
  ReadingOptions options;
  Strings expected;  // the string form, or one element holding the message
};

class ReadingForms : public ::testing::TestWithParam<FormCase> {};

TEST_P(ReadingForms, StringFormGivesItsReadings) {
  const MapReadingIndex index(GetParam().entries);
  auto strings = reading_strings(index, GetParam().text, GetParam().options);
  EXPECT_EQ(strings.ok() ? strings_of(strings.value()) : Strings{message(strings.error())},
            GetParam().expected);
}

TEST_P(ReadingForms, LatticeSpellsTheStringFormsSet) {
  const MapReadingIndex index(GetParam().entries);
  auto lattice = reading_lattice(index, GetParam().text, GetParam().options);
  const Strings& expected = GetParam().expected;
  if (!lattice.ok()) {
    EXPECT_EQ(Strings{message(lattice.error())}, expected);
    return;
  }
  EXPECT_EQ(lattice_strings(lattice.value()), std::set<std::string>(expected.begin(), expected.end()));
  auto guarded = searchable_reading_lattice(index, GetParam().text, GetParam().options);
  ASSERT_TRUE(guarded.ok());
  EXPECT_EQ(lumra::testing::dump(guarded.value()), lumra::testing::dump(lattice.value()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadingForms,
    ::testing::Values(
        FormCase{"KanjiReadings", {{"日", {"ひ", "にち"}}}, "日", kDefaults, {"hi", "nichi", "niti"}},
        FormCase{"KanaNeedsNoDictionary", {}, "かな", kDefaults, {"kana"}},
        FormCase{"PlainExpansionOrder", {}, "しゃ", kDefaults, {"sya", "sha", "cya"}},
        FormCase{"PlainExpansionKeepsRepeats", {}, "ぢじ", kDefaults,
                 {"dizi", "diji", "jizi", "jiji"}},
        FormCase{"Unreadable", {}, "漢", kDefaults, {"unsupported character '漢' at char index 0"}},
        FormCase{"SpanZeroKanji", {{"日", {"ひ"}}}, "日",
                 options_with([](auto& o) { o.max_span_chars = 0; }),
                 {"unsupported character '日' at char index 0"}},
        FormCase{"SpanZeroKana", {{"日", {"ひ"}}}, "かな",
                 options_with([](auto& o) { o.max_span_chars = 0; }), {"kana"}},
        FormCase{"AsciiWordInTheIndex", {{"ABC", {"えい"}}}, "ABCかな", kDefaults,
                 {"ABCkana", "eikana"}},
        FormCase{"AsciiWordNotInTheIndex", {{"AB", {"えい"}}}, "ABCかな", kDefaults, {"ABCkana"}},
        FormCase{"WholeMixedTextInTheIndex", {{"ABCかな", {"あ"}}}, "ABCかな", kDefaults,
                 {"ABCkana", "a"}},
        FormCase{"AsciiOnlyNeverSegments", {{"b", {"び"}}}, "abc", kDefaults, {"abc"}},
        FormCase{"AsciiOnlyWholeEntry", {{"abc", {"えい", "えー"}}}, "abc",
                 options_with([](auto& o) { o.max_readings_per_segment = 1; }), {"abc", "ei"}},
        FormCase{"SmallTsuDoublesAcrossSegments", {{"日", {"にっ"}}, {"本", {"ぽ"}}}, "日本",
                 kDefaults, {"niltupo", "nippo", "nittupo", "nixtupo"}},
        FormCase{"FallbackWhenDictionaryAloneFails", {{"漢", {"かん"}}}, "漢かな", kDefaults,
                 {"kamkana", "kankana", "kannkana"}},
        FormCase{"UnspellableReadingIsSkipped", {{"日", {"ゐ", "ひ"}}}, "日", kDefaults, {"hi"}},
        FormCase{"OnlyUnspellableReadings", {{"日", {"ゐ"}}}, "日", kDefaults,
                 {"unsupported character '日' at char index 0"}},
        FormCase{"OptionsCheckedFirst", {}, "かな",
                 options_with([](auto& o) { o.max_readings_per_segment = 300; }),
                 {"UniDic artifact max_readings_per_segment length/count 300 exceeds limit 256"}},
        FormCase{"EmptyText", {}, "", kDefaults, {""}}),
    [](const auto& info) { return info.param.name; });

TEST(ReadingForms, SortedStringFormIsInByteOrder) {
  const MapReadingIndex index(Entries{{"日", {"にっ"}}, {"本", {"ぽ"}}});
  auto strings = reading_strings(index, "日本", kDefaults);
  ASSERT_TRUE(strings.ok());
  Strings sorted = strings_of(strings.value());
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(strings_of(strings.value()), sorted);
}

// A text without ASCII letters that does not read plainly: the lattice form
// splits each whole reading text at once, so "き" + "ゃ" from two segments
// becomes the key "きゃ", while the string form splits segment by segment.
TEST(ReadingForms, LatticeLetsKanaKeysSpanSegments) {
  const MapReadingIndex index(Entries{{"日", {"き"}}, {"中", {"ゃ"}}});
  auto strings = reading_strings(index, "日中", kDefaults);
  ASSERT_TRUE(strings.ok());
  EXPECT_EQ(strings_of(strings.value()), (Strings{"kilya", "kixya"}));
  auto lattice = reading_lattice(index, "日中", kDefaults);
  ASSERT_TRUE(lattice.ok());
  EXPECT_EQ(lattice_strings(lattice.value()), (std::set<std::string>{"kya"}));
}

TEST(PathRomajiStrings, LimitsTheCharactersOfAPath) {
  std::string long_reading(1025 * 3, '\0');
  for (std::size_t i = 0; i < 1025; ++i) long_reading.replace(i * 3, 3, "か");
  ReadingPath path{{{"日", long_reading, false}}, long_reading};
  auto strings = path_romaji_strings(path);
  ASSERT_FALSE(strings.ok());
  EXPECT_EQ(message(strings.error()),
            "romaji expansion exceeded input characters limit: 1025 > 1024");
  path.segments = {{"日", "かっ", false}, {"、", "、", true}};
  strings = path_romaji_strings(path);
  ASSERT_TRUE(strings.ok());
  EXPECT_EQ(strings_of(strings.value()), (Strings{"kaxtu、", "kaltu、", "kattu、", "ka、、"}));
}

// Both forms are computed from the same reading paths; on random small
// dictionaries and texts, the lattice spells exactly the string form's set,
// and both fail alike. Readings never start with a small ya, yu or yo, which
// is where the two legitimately differ (see LatticeLetsKanaKeysSpanSegments);
// cases where the string form hits its romaji limits, which the lattice form
// does not have, are skipped.
TEST(ReadingForms, LatticeAndStringFormAgreeOnRandomDictionaries) {
  const Strings text_alphabet = {"日", "本", "中", "か", "な", "き", "ゃ", "っ",
                                 "ー", "A", "b", "1", "、", "ゐ", " "};
  const Strings reading_alphabet = {"か", "な", "き", "し", "ん", "っ", "ー", "ゐ", "、", "ゃ"};
  std::mt19937 random(11);
  auto pick = [&](const Strings& alphabet, std::size_t max_length, bool reading) {
    std::string out;
    const std::size_t length = 1 + random() % max_length;
    for (std::size_t i = 0; i < length; ++i) {
      std::string c = alphabet[random() % alphabet.size()];
      if (reading && i == 0 && c == "ゃ") c = "か";
      out += c;
    }
    return out;
  };
  int compared = 0;
  for (int round = 0; round < 3000; ++round) {
    Entries entries;
    for (std::size_t e = random() % 7; e > 0; --e) {
      std::vector<std::string> readings;
      for (std::size_t r = 1 + random() % 3; r > 0; --r) {
        std::string reading = pick(reading_alphabet, 3, true);
        if (std::find(readings.begin(), readings.end(), reading) == readings.end()) {
          readings.push_back(reading);
        }
      }
      entries[pick(text_alphabet, 3, false)] = readings;
    }
    const MapReadingIndex index(entries);
    const std::string text = random() % 8 == 0 ? "" : pick(text_alphabet, 6, false);
    ReadingOptions options;
    options.longest_only = random() % 2;
    options.max_span_chars = random() % 5;
    options.max_paths = std::vector<std::uint64_t>{1, 2, 3, 1024}[random() % 4];
    if (random() % 2) options.max_readings_per_segment = random() % 3;

    auto strings = reading_strings(index, text, options);
    auto lattice = reading_lattice(index, text, options);
    if (!strings.ok() &&
        std::holds_alternative<distance_errors::ExpansionLimitExceeded>(strings.error())) {
      continue;
    }
    ASSERT_EQ(strings.ok(), lattice.ok()) << text;
    if (!strings.ok()) {
      EXPECT_EQ(message(strings.error()), message(lattice.error())) << text;
      continue;
    }
    ++compared;
    EXPECT_EQ(set_of(strings.value()), lattice_strings(lattice.value())) << text;
  }
  EXPECT_GT(compared, 1200);
}

// ---- Similarity ------------------------------------------------------------------

TEST(BestReadingSimilarity, TakesTheBestPairOfReadings) {
  const MapReadingIndex index(Entries{{"日", {"ひ", "にち"}}});
  auto exact = best_reading_similarity(index, "日", "niti", kDefaults);
  ASSERT_TRUE(exact.ok());
  EXPECT_EQ(exact.value(), 1.0);
  auto partial = best_reading_similarity(index, "かな", "かに", kDefaults);
  ASSERT_TRUE(partial.ok());
  EXPECT_EQ(partial.value(), 0.75);
  auto failed = best_reading_similarity(index, "漢", "字", kDefaults);
  ASSERT_FALSE(failed.ok());
  EXPECT_EQ(message(failed.error()), "unsupported character '漢' at char index 0");
}

// The pruned pair search must give the plain pair loop's value exactly, on
// short and long (multi-word) strings alike.
TEST(PrunedBestPairSimilarity, EqualsThePlainPairLoop) {
  std::mt19937 random(5);
  auto list = [&] {
    std::vector<std::vector<Symbol>> out(random() % 6);
    for (auto& path : out) {
      path.resize(random() % 4 == 0 ? random() % 90 : random() % 9);
      for (Symbol& s : path) s = 'a' + random() % 3;
    }
    return out;
  };
  StringWorkspace workspace;
  for (int round = 0; round < 2000; ++round) {
    const auto left = list();
    const auto right = list();
    EXPECT_EQ(pruned_best_pair_similarity(left, right, workspace),
              best_pair_similarity(left, right, workspace));
  }
}

// Reading strings are spellings: many strings built from a few choices per
// position, so they share beginnings and lengths differ by a symbol or two.
// Long strings take the pair-by-pair path, which must agree as well.
TEST(PrunedBestPairSimilarity, EqualsThePlainPairLoopOnSpellings) {
  std::mt19937 random(11);
  auto spellings = [&](std::size_t positions) {
    std::vector<std::vector<Symbol>> choices(positions);
    for (auto& choice : choices) {
      for (std::size_t k = 1 + random() % 3; k > 0; --k) {
        choice.push_back('a' + random() % 4);
        if (random() % 3 == 0) choice.push_back('a' + random() % 4);
        choice.push_back(0);  // separates the choices
      }
    }
    std::vector<std::vector<Symbol>> out(1 + random() % (positions > 100 ? 3 : 40));
    for (auto& text : out) {
      for (const auto& choice : choices) {
        std::vector<std::size_t> starts = {0};
        for (std::size_t i = 0; i + 1 < choice.size(); ++i) {
          if (choice[i] == 0) starts.push_back(i + 1);
        }
        for (std::size_t i = starts[random() % starts.size()]; choice[i] != 0; ++i) {
          text.push_back(choice[i]);
        }
      }
    }
    return out;
  };
  StringWorkspace workspace;
  for (int round = 0; round < 400; ++round) {
    const std::size_t positions = round % 100 == 99 ? 1500 : 1 + random() % 12;
    const auto left = spellings(positions);
    const auto right = spellings(random() % 3 == 0 ? positions : 1 + random() % 12);
    EXPECT_EQ(pruned_best_pair_similarity(left, right, workspace),
              best_pair_similarity(left, right, workspace));
  }
}

// Strings of other letters than the trie's never raise the best above 0,
// so each visits the whole trie of long random strings, a row a node: the
// interruption source must hear of those rows, not only of the strings
// (a Ctrl-C was seen seconds late).
TEST(PrunedBestPairSimilarity, CountsTheTrieRowsAsWork) {
  std::mt19937 random(3);
  auto strings = [&](std::size_t count, Symbol first) {
    std::vector<std::vector<Symbol>> out(count);
    for (auto& text : out) {
      for (int k = 0; k < 40; ++k) text.push_back(first + random() % 2);
    }
    return out;
  };
  const auto in_trie = strings(1000, 'a');
  const auto outer = strings(20, 'c');
  StringWorkspace workspace;
  test_support::CountingSource source(0);
  ScopedInterruptionSource installed(source);
  EXPECT_EQ(pruned_best_pair_similarity(in_trie, outer, workspace), 0.0);
  // Some 30000 nodes of 41 cells for each of the 20 strings: about 90 polls.
  EXPECT_GE(source.polls, 30);
}

}  // namespace
}  // namespace lumra::ja
