// The quick checks of a load against the exact ones they stand in for:
// is_valid_utf8() against ja::find_utf8_error(), and
// decode_valid_reading_record() against decode_reading_record().
#include <gtest/gtest.h>

#include <random>

#include "artifacts/indexed/reading_record.h"
#include "artifacts/indexed/valid_utf8.h"
#include "indexed_test_support.h"

namespace lumra::artifacts::testing {
namespace {

void expect_same_verdict(const std::string& text) {
  ASSERT_EQ(is_valid_utf8(text), !ja::find_utf8_error(text).has_value()) << ::testing::PrintToString(text);
}

TEST(ValidUtf8Test, AgreesWithTheExactCheckOnEveryShortString) {
  for (unsigned a = 0; a < 256; ++a) {
    expect_same_verdict(std::string(1, static_cast<char>(a)));
    for (unsigned b = 0; b < 256; ++b) expect_same_verdict({static_cast<char>(a), static_cast<char>(b)});
  }
  // Longer ones from the bytes where the classes of lead and continuation
  // bytes change, after 0 to 9 ASCII bytes so that they straddle words.
  static const unsigned char kEdges[] = {0x00, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0,
                                         0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xEC, 0xED, 0xEE, 0xEF,
                                         0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xFF};
  for (unsigned char a : kEdges) {
    for (unsigned char b : kEdges) {
      for (unsigned char c : kEdges) {
        for (unsigned char d : kEdges) {
          const std::string tail = {static_cast<char>(a), static_cast<char>(b), static_cast<char>(c),
                                    static_cast<char>(d)};
          expect_same_verdict(std::string((a + b + c + d) % 10, 'x') + tail);
          if (::testing::Test::HasFatalFailure()) return;
        }
      }
    }
  }
}

TEST(ValidUtf8Test, AgreesWithTheExactCheckOnRandomTexts) {
  static const std::string kCharacters[] = {"a", "é", "日", "に", "\xef\xbf\xbf", "𝄞", "\xf4\x8f\xbf\xbf",
                                            "12345678"};
  std::mt19937_64 rng(3);
  for (int trial = 0; trial < 20000; ++trial) {
    std::string text;
    for (std::size_t n = rng() % 12; n > 0; --n) text += kCharacters[rng() % std::size(kCharacters)];
    if (!text.empty() && rng() % 2 == 0) text[rng() % text.size()] = static_cast<char>(rng());
    if (!text.empty() && rng() % 4 == 0) text.resize(rng() % text.size());
    expect_same_verdict(text);
  }
}

// Records with short readings (lengths in ASCII bytes, checked in one pass)
// and long ones, each byte of the section changed to a few values: the
// quick decode passes exactly when the exact one does, with its readings.
TEST(ReadingRecordTest, QuickDecodeAgreesWithTheExactOne) {
  const std::string long_reading(130, 'a');
  const std::vector<std::vector<std::string>> records = {
      {"にほん", "ka"}, {"x"}, {long_reading, "é"}, {}, {"日本語", "\xe3\x81", long_reading}};
  std::string section = "pad";
  std::vector<std::uint64_t> offsets;
  for (const auto& readings : records) {
    offsets.push_back(section.size());
    section += record(readings);
  }
  static const unsigned char kValues[] = {0x00, 0x01, 0x02, 0x7F, 0x80, 0x81, 0xBF, 0xC3, 0xE3, 0xFF};
  std::vector<std::string_view> quick, exact;
  int passes = 0, failures = 0;
  for (std::size_t at = 0; at <= section.size(); ++at) {
    for (unsigned char value : kValues) {
      Bytes payload(section.begin(), section.end());
      if (at < payload.size()) payload[at] = value;
      for (std::uint64_t max_count : {3u, 256u}) {
        const ReadingsSection readings{payload, 3, max_count, 129};
        for (std::uint64_t offset : offsets) {
          const bool passed = decode_valid_reading_record(readings, offset - 3, quick);
          const bool exact_passed = decode_reading_record(readings, offset - 3, exact).ok();
          ASSERT_EQ(passed, exact_passed) << "byte " << at << " = " << int{value} << ", record at " << offset;
          if (passed) {
            ASSERT_EQ(quick, exact);
          }
          ++(passed ? passes : failures);
        }
      }
    }
  }
  EXPECT_GT(passes, 100);
  EXPECT_GT(failures, 100);
}

}  // namespace
}  // namespace lumra::artifacts::testing
