#include <gtest/gtest.h>

#include <string>

#include "core/base/message_template.h"
#include "core/base/quoted.h"

namespace lumra {
namespace {

struct QuotedCase {
  std::string input;
  std::string expected;
};

class QuotedTextTest : public ::testing::TestWithParam<QuotedCase> {};

TEST_P(QuotedTextTest, WritesTheQuotedForm) {
  EXPECT_EQ(quoted_text(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, QuotedTextTest,
    ::testing::Values(QuotedCase{"", "\"\""}, QuotedCase{"abc", "\"abc\""},
                      QuotedCase{"日本", "\"日本\""}, QuotedCase{"a\"b\\c'", "\"a\\\"b\\\\c'\""},
                      QuotedCase{"\t\r\n", "\"\\t\\r\\n\""},
                      QuotedCase{std::string("a\0b", 3), "\"a\\0b\""},
                      QuotedCase{"\x01\x7f", "\"\\u{1}\\u{7f}\""},
                      // combining acute, zero-width space, ideographic space, no-break space
                      QuotedCase{"e\xcc\x81", "\"e\\u{301}\""},
                      QuotedCase{"\xe2\x80\x8b", "\"\\u{200b}\""},
                      QuotedCase{"\xe3\x80\x80 ", "\"\\u{3000} \""},
                      QuotedCase{"\xc2\xa0", "\"\\u{a0}\""},
                      // a private-use character and an unassigned one
                      QuotedCase{"\xee\x80\x80", "\"\\u{e000}\""},
                      QuotedCase{"\xf4\x8f\xbf\xbf", "\"\\u{10ffff}\""},
                      // malformed bytes read as U+FFFD
                      QuotedCase{"a\xffz", "\"a\xef\xbf\xbdz\""}));

TEST(QuotedCharTest, EscapesTheSingleQuoteButNotTheDoubleQuote) {
  EXPECT_EQ(quoted_char(U'漢'), "'漢'");
  EXPECT_EQ(quoted_char(U'\''), "'\\''");
  EXPECT_EQ(quoted_char(U'"'), "'\"'");
  EXPECT_EQ(quoted_char(U'\u3099'), "'\\u{3099}'");
}

TEST(MessageTemplateTest, FillsPlaceholdersInOrder) {
  EXPECT_EQ(fill_message(
                "UniDic artifact {} length/count {} exceeds limit {}", "max_paths",
                std::uint64_t{18446744073709551615ULL}, 16384),
            "UniDic artifact max_paths length/count 18446744073709551615 exceeds limit 16384");
  EXPECT_EQ(fill_message("text {} char {}", Quoted{"a\"b"}, QuotedChar{U'x'}),
            "text \"a\\\"b\" char 'x'");
  EXPECT_EQ(fill_message("at least one reading is required"), "at least one reading is required");
}

}  // namespace
}  // namespace lumra
