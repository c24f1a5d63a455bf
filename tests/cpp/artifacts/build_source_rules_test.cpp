// The parsing rules of the dictionary sources, one table each.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "artifacts/build/csv_row.h"
#include "artifacts/build/hiragana.h"
#include "artifacts/build/pinyin_marks.h"
#include "artifacts/build/unidic_columns.h"
#include "build_test_support.h"

namespace lumra::artifacts::build {
namespace {

struct CsvCase {
  std::string line;
  std::vector<std::string> fields;  // empty: the line is refused
  std::string error = {};
};

TEST(CsvRow, SplitsAsMecabDictionaryCompilerDoes) {
  const CsvCase cases[] = {
      {"a,b,c", {"a", "b", "c"}},
      {"", {""}},
      {"a,,", {"a", "", ""}},
      {"\"(‐c_,‐。)\",10592,補助記号", {"(‐c_,‐。)", "10592", "補助記号"}},
      {"\"say \"\"hi\"\"\",x", {"say \"hi\"", "x"}},
      {"\"\",x", {"", "x"}},
      {"x,\"a,b\"", {"x", "a,b"}},
      {"a\"b,c", {"a\"b", "c"}},  // a quote inside a plain field is text
      {"\"open,x", {}, "unterminated quoted field 1"},
      {"x,\"a\"b,c", {}, "text after the closing quote of field 2"},
  };
  std::vector<std::string> fields{"stale"};
  for (const CsvCase& c : cases) {
    SCOPED_TRACE(c.line);
    auto split = split_csv_row(c.line, fields);
    if (c.fields.empty()) {
      ASSERT_FALSE(split.ok());
      EXPECT_EQ(split.error().what, c.error);
    } else {
      ASSERT_TRUE(split.ok()) << split.error().what;
      EXPECT_EQ(fields, c.fields);
    }
  }
}

TEST(ToneMarks, BecomeDigitsWithNeutralFiveAndUmlautV) {
  const std::pair<std::string, std::string> cases[] = {
      {"zhōng guó", "zhong1 guo2"},
      {"Zhōng guó", "Zhong1 guo2"},  // capitals stay; normalisation lowers them
      {"nǚ", "nv3"},
      {"lüè", "lve4"},
      {"lü", "lv5"},
      {"le", "le5"},
      {"quān r", "quan1 r5"},
      {"A B zhì", "A B zhi4"},  // letter names carry no tone
      {"sān C", "san1 C"},
      {"11 Qū", "11 Qu1"},
      {"ḿ", "m2"},
      {"ňg", "ng3"},
      {"ê", "ê5"},
      {"ế", "ê2"},
      {"yāo  èr", "yao1 er4"},
      {"，", "，"},
      {"", ""},
  };
  for (const auto& [marked, digits] : cases) {
    EXPECT_EQ(tone_marks_to_digits(marked), digits) << marked;
  }
}

TEST(Hiragana, KatakanaWithTwinsOnly) {
  const std::pair<std::string, std::string> cases[] = {
      {"トウキョウ", "とうきょう"},
      {"ニッポン", "にっぽん"},
      {"ヴァ", "ゔぁ"},
      {"ヵヶ", "ゕゖ"},
      {"トーキョー", "とーきょー"},  // the prolonged sound mark has no twin
      {"ヷ", "ヷ"},
      {"ｶ", "ｶ"},  // half-width katakana is left to NFKC
      {"東京タワーabc", "東京たわーabc"},
      {"ァ", "ぁ"},
      {"ヶ月", "ゖ月"},
  };
  for (const auto& [katakana, hiragana] : cases) {
    EXPECT_EQ(katakana_to_hiragana(katakana), hiragana) << katakana;
  }
}

TEST(UnidicColumns, FollowTheDicrcDeclarations) {
  auto columns = UnidicColumns::from_dicrc(testing::unidic_dicrc());
  ASSERT_TRUE(columns.ok()) << columns.error();
  EXPECT_EQ(columns.value().row_width(), 33u);
  EXPECT_EQ(columns.value().column("pos1"), 4u);
  EXPECT_EQ(columns.value().column("pron"), 13u);
  EXPECT_EQ(columns.value().column("kana"), 24u);
  EXPECT_EQ(columns.value().column("nope"), std::nullopt);

  const std::pair<std::string, std::string> broken[] = {
      {"cost-factor = 700\n", "no \"; f[N]: name\" feature lines"},
      {"; f[0]: a\n; f[0]: b\n", "feature f[0] is declared twice"},
      {"; f[0]: a\n; f[2]: c\n", "feature f[1] is not declared"},
      {"; f[4096]: a\n", "feature index 4096 is too large"},
  };
  for (const auto& [text, error] : broken) {
    auto parsed = UnidicColumns::from_dicrc(text);
    ASSERT_FALSE(parsed.ok()) << text;
    EXPECT_EQ(parsed.error(), error);
  }
}

}  // namespace
}  // namespace lumra::artifacts::build
