#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "ja/japanese_distance_error.h"
#include "ja/romaji/expansion.h"
#include "ja/romaji/kana_table.h"
#include "ja/romaji/lattice_builder.h"
#include "ja/romaji/split_units.h"
#include "ja/romaji/variant_lists.h"
#include "ja/romaji/vowel_class.h"
#include "ja_test_support.h"
#include "../core/lattice_test_support.h"

namespace lumra::ja {
namespace {

using testing::lattice_strings;
using testing::set_of;
using testing::strings_of;
using Strings = std::vector<std::string>;

// ---- The variant table -------------------------------------------------

struct RowCase {
  std::string key;
  Strings variants;
};

class KanaTableRow : public ::testing::TestWithParam<RowCase> {};

TEST_P(KanaTableRow, ListsItsVariantsInOrder) {
  const auto units = split_romaji_units(GetParam().key, false);
  ASSERT_TRUE(units.ok());
  ASSERT_EQ(units.value().size(), 1u);
  const auto variants = romaji_variants(units.value()[0]);
  ASSERT_TRUE(variants.ok()) << message(variants.error());
  Strings texts;
  for (const RomajiVariant& variant : variants.value()) texts.emplace_back(variant.text());
  EXPECT_EQ(texts, GetParam().variants);
}

// Every row with more than one variant, and a few others.
INSTANTIATE_TEST_SUITE_P(
    Rows, KanaTableRow,
    ::testing::Values(
        RowCase{"あ", {"a"}}, RowCase{"ー", {"-"}}, RowCase{"ゔ", {"vu"}},
        RowCase{"ぴょ", {"pyo"}}, RowCase{"し", {"si", "shi", "ci"}},
        RowCase{"ち", {"ti", "chi"}}, RowCase{"つ", {"tu", "tsu"}}, RowCase{"ふ", {"hu", "fu"}},
        RowCase{"を", {"wo", "o"}}, RowCase{"ん", {"n", "nn", "m"}}, RowCase{"じ", {"zi", "ji"}},
        RowCase{"ぢ", {"di", "ji"}}, RowCase{"づ", {"du", "zu"}}, RowCase{"ぁ", {"xa", "la"}},
        RowCase{"ぃ", {"xi", "li"}}, RowCase{"ぅ", {"xu", "lu"}}, RowCase{"ぇ", {"xe", "le"}},
        RowCase{"ぉ", {"xo", "lo"}}, RowCase{"ゃ", {"xya", "lya"}},
        RowCase{"ゅ", {"xyu", "lyu"}}, RowCase{"ょ", {"xyo", "lyo"}},
        RowCase{"っ", {"xtu", "ltu", "ttu"}}, RowCase{"しゃ", {"sya", "sha", "cya"}},
        RowCase{"しゅ", {"syu", "shu", "cyu"}}, RowCase{"しょ", {"syo", "sho", "cyo"}},
        RowCase{"ちゃ", {"tya", "cha", "cya"}}, RowCase{"ちゅ", {"tyu", "chu", "cyu"}},
        RowCase{"ちょ", {"tyo", "cho", "cyo"}}, RowCase{"じゃ", {"zya", "ja", "jya"}},
        RowCase{"じゅ", {"zyu", "ju", "jyu"}}, RowCase{"じょ", {"zyo", "jo", "jyo"}}));

// What a spelling and a list carry about themselves must be what reading
// them gives: the vowel class after each spelling from every class, and
// the row number only while the list is still its row.
TEST(KanaTable, SpellingsKnowTheirLastVowelAndListsTheirRow) {
  for (const KanaRow& row : kana_rows()) {
    const RomajiUnit unit{RomajiUnitKind::Kana, row.key[0], row.key.size() > 1 ? row.key[1] : 0};
    const VariantList list = romaji_variants(unit).value();
    EXPECT_EQ(list.row(), &row - kana_rows().data() + 1) << row.variants[0];
    for (const VariantList& spellings : {list, long_vowel_variants(VowelClass::E)}) {
      for (const RomajiVariant& v : spellings) {
        for (std::size_t c = 0; c < kVowelClassCount; ++c) {
          const auto start = static_cast<VowelClass>(c);
          EXPECT_EQ(vowel_class_after(start, v), vowel_class_after(start, v.text())) << v.text();
        }
      }
    }
    VariantList same = list;
    same.remove_duplicates();
    EXPECT_EQ(same.row(), list.row());
    if (list.size() < VariantList::kCapacity) {
      same.push_back("q");
      EXPECT_EQ(same.row(), 0u);
    }
  }
  for (const char* text : {"Kaz", "QQ", "-", "xyO", "e"}) {
    const RomajiVariant v(text);
    EXPECT_EQ(vowel_class_after(VowelClass::U, v), vowel_class_after(VowelClass::U, v.text()));
  }
}

TEST(KanaTable, HasItsRowsAndNoOthers) {
  EXPECT_EQ(kana_rows().size(), 115u);
  std::size_t multi = 0;
  for (const KanaRow& row : kana_rows()) {
    EXPECT_EQ(find_kana_row(row.key[0], row.key.size() > 1 ? row.key[1] : 0), &row);
    if (row.variant_count() > 1) ++multi;
  }
  EXPECT_EQ(multi, 27u);  // the multi-variant rows listed above
  for (char32_t rowless : {U'ゎ', U'ゐ', U'ゑ', U'ゕ', U'ゖ'}) {
    EXPECT_EQ(find_kana_row(rowless), nullptr);
  }
  EXPECT_EQ(find_kana_row(U'ぢ', U'ゃ'), nullptr);
  EXPECT_EQ(find_kana_row(U'ふ', U'ぁ'), nullptr);
}

// ---- Splitting -----------------------------------------------------------

// Units written as kind letter and text: "K:きゃ A:  P:、".
std::string describe(const std::vector<RomajiUnit>& units) {
  std::string out;
  for (const RomajiUnit& unit : units) {
    if (!out.empty()) out += ' ';
    out += unit.kind == RomajiUnitKind::Kana    ? "K:"
           : unit.kind == RomajiUnitKind::Ascii ? "A:"
                                                : "P:";
    out += unit.text();
  }
  return out;
}

struct SplitCase {
  std::string name;
  std::string text;
  bool allow_punctuation;
  std::string expected;  // units, or the error message
};

class Split : public ::testing::TestWithParam<SplitCase> {};

TEST_P(Split, GivesUnitsOrFirstUnsupportedCharacter) {
  const auto units = split_romaji_units(GetParam().text, GetParam().allow_punctuation);
  EXPECT_EQ(units.ok() ? describe(units.value()) : message(units.error()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Split,
    ::testing::Values(
        SplitCase{"KatakanaFoldsAndPairs", "キャー", false, "K:きゃ K:ー"},
        SplitCase{"NextCharacterFoldedUntested", "きャ", false, "K:きゃ"},
        SplitCase{"PairWithoutRowSplits", "ぢゃふぁ", false, "K:ぢ K:ゃ K:ふ K:ぁ"},
        SplitCase{"RowlessKanaIsStillKana", "ヰゐ", false, "K:ゐ K:ゐ"},
        SplitCase{"WhiteSpaceBecomesSpace", "a\tb\u3000c\u0085d\u00a0", false,
                  "A:a A:  A:b A:  A:c A:  A:d A: "},
        SplitCase{"AsciiKeepsCase", "Kゃ~", false, "A:K K:ゃ A:~"},
        SplitCase{"PunctuationWhenAllowed", "、・…", true, "P:、 P:・ P:…"},
        SplitCase{"PunctuationRefused", "か、", false, "unsupported character '、' at char index 1"},
        SplitCase{"KanjiIndexCountsCharacters", "かな漢", true,
                  "unsupported character '漢' at char index 2"},
        SplitCase{"IndexAfterPair", "きゃ字", true, "unsupported character '字' at char index 2"},
        SplitCase{"SmallKatakanaKaHasNoRow", "ヵ", false, "K:ゕ"},
        SplitCase{"VuWithDakutenVariantsAreNotKana", "ヷ", true,
                  "unsupported character 'ヷ' at char index 0"},
        SplitCase{"CombiningMarkIsNotKana", "か\u3099", true,
                  "unsupported character '\\u{3099}' at char index 1"},
        SplitCase{"C1ControlIsNotAscii", "\u0080", true,
                  "unsupported character '\\u{80}' at char index 0"},
        SplitCase{"Empty", "", true, ""}),
    [](const auto& info) { return info.param.name; });

// ---- Expansion -------------------------------------------------------------

struct ExpandCase {
  std::string name;
  std::string text;
  Strings expected;  // in expansion order; one element holding the message for errors
};

class Expand : public ::testing::TestWithParam<ExpandCase> {};

Strings expanded(const std::string& text) {
  auto result = expand_romaji_text(text, kReadingExpansionLimits);
  return result.ok() ? strings_of(result.value()) : Strings{message(result.error())};
}

TEST_P(Expand, GivesEverySpellingInOrder) {
  EXPECT_EQ(expanded(GetParam().text), GetParam().expected);
}

// The lattice form spells the same set as the string form.
TEST_P(Expand, LatticeSpellsTheSameSet) {
  auto units = split_romaji_units(GetParam().text, true);
  if (!units.ok()) {
    EXPECT_EQ(Strings{message(units.error())}, GetParam().expected);
    return;
  }
  RomajiLatticeBuilder builder;
  auto added = builder.add_units(units.value());
  if (!added.ok()) {
    EXPECT_EQ(Strings{message(added.error())}, GetParam().expected);
    return;
  }
  auto lattice = builder.finish();
  ASSERT_TRUE(lattice.ok() && lattice.value());
  const Strings& expected = GetParam().expected;
  EXPECT_EQ(lattice_strings(*lattice.value()),
            std::set<std::string>(expected.begin(), expected.end()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Expand,
    ::testing::Values(
        ExpandCase{"LongVowelAfterPair", "キャー", {"kyaa", "kya-"}},
        ExpandCase{"Sha", "しゃ", {"sya", "sha", "cya"}},
        ExpandCase{"Cha", "ちゃ", {"tya", "cha", "cya"}},
        ExpandCase{"SmallTsuDoubles", "かっぱ", {"kaxtupa", "kaltupa", "kattupa", "kappa"}},
        ExpandCase{"SmallTsuTakesEveryConsonant",
                   "っち",
                   {"xtuti", "xtuchi", "ltuti", "ltuchi", "ttuti", "ttuchi", "tti", "tchi", "cti",
                    "cchi"}},
        ExpandCase{"SmallTsuAtEnd", "っ", {"xtu", "ltu", "ttu"}},
        ExpandCase{"SmallTsuBeforeMark", "っー", {"xtuu", "xtu-", "ltuu", "ltu-", "ttuu", "ttu-"}},
        ExpandCase{"SmallTsuBeforePunctuation", "っ、", {"xtu、", "ltu、", "ttu、", "、、"}},
        ExpandCase{"SmallTsuBeforeSmallTsu",
                   "っっ",
                   {"xtuxtu", "xtultu", "xtuttu", "ltuxtu", "ltultu", "ltuttu", "ttuxtu",
                    "ttultu", "ttuttu", "xxtu", "xltu", "xttu", "lxtu", "lltu", "lttu", "txtu",
                    "tltu", "tttu"}},
        ExpandCase{"MarkWithoutVowel", "んー", {"n-", "nn-", "m-"}},
        ExpandCase{"MarkAlone", "ー", {"-"}},
        ExpandCase{"MarkAfterE", "えー", {"ee", "ei", "e-"}},
        ExpandCase{"MarkAfterO", "おー", {"oo", "ou", "o-"}},
        ExpandCase{"UpperCaseIsNoVowel", "Aー", {"A-"}},
        ExpandCase{"MarkFollowsEachPrefix", "をー", {"woo", "wou", "wo-", "oo", "ou", "o-"}},
        ExpandCase{"AsciiCombinesWithSmallKana", "Kゃ", {"Kya", "Kxya", "Klya"}},
        ExpandCase{"VowelDoesNotCombine", "aゃ", {"axya", "alya"}},
        ExpandCase{"SpaceAndPunctuation", "か　、", {"ka 、"}},
        ExpandCase{"Empty", "", {""}},
        ExpandCase{"MissingVariant", "ゐ", {"missing romaji variant for kana unit \"ゐ\""}},
        ExpandCase{"SmallTsuReportsTheNextUnit", "っヰ",
                   {"missing romaji variant for kana unit \"ゐ\""}},
        ExpandCase{"Unsupported", "かな漢", {"unsupported character '漢' at char index 2"}}),
    [](const auto& info) { return info.param.name; });

struct LimitCase {
  std::string name;
  std::string text;
  std::uint64_t max_paths;
  std::uint64_t max_symbols;
  std::string expected;  // "" for success
};

class ExpansionLimit : public ::testing::TestWithParam<LimitCase> {};

TEST_P(ExpansionLimit, FailsAtTheFirstExceededBoundWithItsActualValue) {
  const auto units = split_romaji_units(GetParam().text, true);
  ASSERT_TRUE(units.ok());
  const auto result =
      expand_romaji_units(units.value(), GetParam().max_paths, GetParam().max_symbols);
  EXPECT_EQ(result.ok() ? "" : message(result.error()), GetParam().expected);
}

// "しし" writes 2, 3, 2 characters in its first step and 4, 5, 4, 5, 6, 5, 4,
// 5, 4 (running sum 42) in its second.
INSTANTIATE_TEST_SUITE_P(
    Cases, ExpansionLimit,
    ::testing::Values(
        LimitCase{"ExactlyMaxPaths", "しし", 9, 100, ""},
        LimitCase{"ProductAboveMaxPaths", "しし", 8, 100,
                  "romaji expansion exceeded expanded romaji paths limit: 9 > 8"},
        LimitCase{"ExactlyMaxSymbols", "しし", 9, 42, ""},
        LimitCase{"RunningSymbolSum", "しし", 9, 41,
                  "romaji expansion exceeded expanded romaji symbols limit: 42 > 41"},
        LimitCase{"SymbolsOfTheFirstStepComeFirst", "しし", 8, 6,
                  "romaji expansion exceeded expanded romaji symbols limit: 7 > 6"},
        LimitCase{"MarkReachesMaxPaths", "しー", 6, 100, ""},
        LimitCase{"MarkOneBeyondMaxPaths", "しー", 3, 100,
                  "romaji expansion exceeded expanded romaji paths limit: 4 > 3"},
        LimitCase{"NoUnitsNeedNoPaths", "", 0, 0, ""}),
    [](const auto& info) { return info.param.name; });

TEST(ExpandRomajiText, ChecksInputCharactersFirst) {
  EXPECT_EQ(expanded(std::string(1024, 'a')).size(), 1u);
  EXPECT_EQ(expanded(std::string(1025, 'a')),
            Strings{"romaji expansion exceeded input characters limit: 1025 > 1024"});
  std::string kanji_text = "漢";
  for (int i = 0; i < 1024; ++i) kanji_text += "か";
  EXPECT_EQ(expanded(kanji_text),
            Strings{"romaji expansion exceeded input characters limit: 1025 > 1024"});
}

// ---- Expandability -------------------------------------------------------

// is_romaji_expandable tests each character on its own; it must agree with
// splitting and looking every unit up, on any mix of neighbours.
TEST(IsRomajiExpandable, AgreesWithSplittingAndVariantLookup) {
  const std::vector<std::string> alphabet = {"か", "き", "ゃ", "ャ", "っ", "ー", "ゐ", "ヶ",
                                             "a",  "K",  " ",  "、", "漢", "\u3099", "ぢ"};
  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const int length = static_cast<int>(random() % 6);
    for (int i = 0; i < length; ++i) text += alphabet[random() % alphabet.size()];
    const auto units = split_romaji_units(text, true);
    const bool expected = units.ok() && unit_variant_lists(units.value()).ok();
    EXPECT_EQ(is_romaji_expandable(text), expected) << text;
  }
}

// ---- Lattice builder -------------------------------------------------------

PathLattice finished(RomajiLatticeBuilder& builder) {
  auto lattice = builder.finish();
  EXPECT_TRUE(lattice.ok() && lattice.value());
  return std::move(*lattice.value());
}

void add_text(RomajiLatticeBuilder& builder, std::string_view text) {
  auto units = split_romaji_units(text, true);
  ASSERT_TRUE(units.ok());
  ASSERT_TRUE(builder.add_units(units.value()).ok());
}

TEST(RomajiLatticeBuilder, MergesPrefixesByVowelClass) {
  // All three spellings of "し" end in i: one class node (5) after them.
  RomajiLatticeBuilder builder;
  add_text(builder, "しー");
  EXPECT_EQ(lumra::testing::dump(finished(builder)),
            "7 0 6: 0>1 s 1>5 i 0>2 s 2>3 h 3>5 i 0>4 c 4>5 i 5>6 i 5>6 -");
}

TEST(RomajiLatticeBuilder, NumbersInteriorNodesBeforeClassNodes) {
  // "を" ends in o either way; "ん" keeps the class, so "んー" after it
  // still reads o.
  RomajiLatticeBuilder builder;
  add_text(builder, "をんー");
  const PathLattice lattice = finished(builder);
  EXPECT_EQ(lumra::testing::dump(lattice),
            "6 0 5: 0>1 w 1>2 o 0>2 o 2>4 n 2>3 n 3>4 n 2>4 m 4>5 o 4>5 u 4>5 -");
  EXPECT_EQ(lattice_strings(lattice).size(), 18u);
}

TEST(RomajiLatticeBuilder, SharesOnlyStartEndAndRepeatedDirectArcs) {
  RomajiLatticeBuilder builder;
  add_text(builder, "あ");
  add_text(builder, "a");  // the same arc 0 -> end: not added again
  add_text(builder, "か");
  add_text(builder, "んー");
  const PathLattice lattice = finished(builder);
  EXPECT_EQ(lumra::testing::dump(lattice),
            "5 0 4: 0>4 a 0>1 k 1>4 a 0>3 n 0>2 n 2>3 n 0>3 m 3>4 -");
  EXPECT_EQ(lattice_strings(lattice),
            (std::set<std::string>{"a", "ka", "n-", "nn-", "m-"}));
}

TEST(RomajiLatticeBuilder, FinishCoversNothingEmptyAndMixed) {
  RomajiLatticeBuilder builder;
  auto nothing = builder.finish();
  ASSERT_TRUE(nothing.ok());
  EXPECT_FALSE(nothing.value().has_value());

  add_text(builder, "");
  add_text(builder, "");
  EXPECT_EQ(lumra::testing::dump(finished(builder)), "1 0 0:");

  add_text(builder, "");
  add_text(builder, "か");
  auto mixed = builder.finish();
  ASSERT_FALSE(mixed.ok());
  EXPECT_EQ(message(mixed.error()),
            "mixed empty and non-empty paths need epsilon arcs, which lumra-core does not model "
            "yet");
}

// The counting copy exists to fail early on the very add the builder would
// fail on, with its message, and to take nothing else from it.
TEST(RomajiLatticeBuilder, CountingCopyFailsOnTheSameAddWithTheSameError) {
  RomajiLatticeBuilder builder(60);
  add_text(builder, "か");
  RomajiLatticeBuilder counter = builder.counting();
  auto units = split_romaji_units("しーをん", true);
  ASSERT_TRUE(units.ok());
  for (int add = 0;; ++add) {
    auto counted = counter.add_units(units.value());
    auto built = builder.add_units(units.value());
    ASSERT_EQ(counted.ok(), built.ok()) << "add " << add;
    if (!built.ok()) {
      EXPECT_EQ(message(counted.error()), message(built.error()));
      EXPECT_GT(add, 2);
      break;
    }
  }
  EXPECT_EQ(lattice_strings(finished(builder)).count("ka"), 1u);
}

TEST(RomajiLatticeBuilder, FailedAddLeavesTheBuilderUnchanged) {
  RomajiLatticeBuilder builder;
  add_text(builder, "か");
  auto units = split_romaji_units("かっゐ", true);
  ASSERT_TRUE(units.ok());
  auto failed = builder.add_units(units.value());
  ASSERT_FALSE(failed.ok());
  EXPECT_EQ(message(failed.error()), "missing romaji variant for kana unit \"ゐ\"");
  EXPECT_EQ(lumra::testing::dump(finished(builder)), "3 0 2: 0>1 k 1>2 a");
}

TEST(RomajiLatticeBuilder, NodeLimitFailsBeforeGrowingAndKeepsTheBuilder) {
  RomajiLatticeBuilder roomy(7);
  add_text(roomy, "しー");  // exactly 7 nodes
  EXPECT_EQ(finished(roomy).node_count(), 7u);

  RomajiLatticeBuilder tight(6);
  add_text(tight, "か");
  auto units = split_romaji_units("しー", true);
  ASSERT_TRUE(units.ok());
  auto failed = tight.add_units(units.value());
  ASSERT_FALSE(failed.ok());
  EXPECT_EQ(message(failed.error()), "distance matrix 8x1 exceeds the maximum of 6 cells");
  EXPECT_EQ(lumra::testing::dump(finished(tight)), "3 0 2: 0>1 k 1>2 a");
}

// ---- Error messages ----------------------------------------------------------

TEST(JapaneseDistanceError, WrapsCoreErrorsWithTheirOwnMessages) {
  using namespace distance_errors;
  EXPECT_EQ(message(JapaneseDistanceError(Lattice{lattice_errors::InvalidNode{5, 3}})),
            "node 5 is outside 0..3");
  EXPECT_EQ(message(JapaneseDistanceError(DistanceMatrix{DistanceMatrixTooLarge{5000, 4000, 16000000}})),
            message(DistanceMatrixTooLarge{5000, 4000, 16000000}));
  EXPECT_EQ(message(JapaneseDistanceError(NoReadings{})), "at least one reading is required");
  EXPECT_EQ(message(JapaneseDistanceError(Dictionary{"as it stands"})), "as it stands");
  EXPECT_EQ(message(JapaneseDistanceError(UnsupportedCharacter{U'"', 3})),
            "unsupported character '\"' at char index 3");
  EXPECT_EQ(message(JapaneseDistanceError(ExpansionLimitExceeded{
                ExpansionLimitKind::ExpandedPaths, 18446744073709551615u, 65536})),
            "romaji expansion exceeded expanded romaji paths limit: 18446744073709551615 > 65536");
}

}  // namespace
}  // namespace lumra::ja
