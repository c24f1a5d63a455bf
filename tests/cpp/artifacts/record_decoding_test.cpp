// The quick checks of a load against the exact ones they stand in for:
// is_valid_utf8() against ja::find_utf8_error(), and the record screens
// against decode_reading_record() and the checks of each reading.
#include <gtest/gtest.h>

#include <random>

#include "artifacts/indexed/pinyin_record_screen.h"
#include "artifacts/indexed/reading_record.h"
#include "artifacts/indexed/record_screen.h"
#include "artifacts/indexed/valid_utf8.h"
#include "indexed_test_support.h"
#include "zh/index/normalize_pinyin.h"

namespace lumra::artifacts::testing {
namespace {

// Both forms of the check, the one given readable bytes after the text
// with a run of three-byte characters after it, which it must not judge.
void expect_same_verdict(const std::string& text) {
  const bool valid = !ja::find_utf8_error(text).has_value();
  ASSERT_EQ(is_valid_utf8(text), valid) << ::testing::PrintToString(text);
  std::string padded = text;
  for (std::size_t i = 0; i < 6; ++i) padded += "\xe3\x81\x82";
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(padded.data());
  for (std::size_t readable : {text.size(), padded.size()}) {
    ASSERT_EQ(is_valid_utf8(bytes, text.size(), bytes + readable), valid)
        << ::testing::PrintToString(text) << " with " << readable - text.size() << " bytes after it";
  }
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
                                            "12345678", "\xe0\xa0\x80", "\xed\x9f\xbf", "\xe1\x80\x80"};
  std::mt19937_64 rng(3);
  for (int trial = 0; trial < 20000; ++trial) {
    std::string text;
    for (std::size_t n = rng() % 12; n > 0; --n) text += kCharacters[rng() % std::size(kCharacters)];
    if (!text.empty() && rng() % 2 == 0) text[rng() % text.size()] = static_cast<char>(rng());
    if (!text.empty() && rng() % 4 == 0) text.resize(rng() % text.size());
    expect_same_verdict(text);
  }
}

// What a load's exact checks say of the record at `offset`: it decodes, has
// readings, none empty, none repeated, each in `normal_form` if given.
bool passes_exact_checks(const ReadingsSection& section, std::uint64_t offset,
                         const std::optional<zh::PinyinView>& normal_form,
                         std::vector<std::string_view>& readings) {
  if (!decode_reading_record(section, offset, readings).ok() || readings.empty()) return false;
  for (std::size_t r = 0; r < readings.size(); ++r) {
    if (readings[r].empty()) return false;
    if (normal_form && zh::pinyin_normal_form_if_different(readings[r], *normal_form)) return false;
    for (std::size_t earlier = 0; earlier < r; ++earlier) {
      if (readings[earlier] == readings[r]) return false;
    }
  }
  return true;
}

struct ScreenCase {
  const char* name;
  RecordScreen screen;
  std::optional<zh::PinyinView> normal_form;
  std::vector<std::vector<std::string>> records;
  int screened;  // how many of them pass the screen as they stand
};

class RecordScreenTest : public ::testing::TestWithParam<ScreenCase> {};

// Each byte of a section of records changed to a few values: the screen
// passes only records that pass the exact checks, with their readings, and
// passes most of the unchanged ones.
TEST_P(RecordScreenTest, PassesOnlyWhatTheExactChecksPass) {
  const ScreenCase& c = GetParam();
  std::string section = "pad";
  std::vector<std::uint64_t> offsets;
  for (const auto& readings : c.records) {
    offsets.push_back(section.size() - 3);
    section += record(readings);
  }
  static const unsigned char kValues[] = {0x00, 0x01, 0x02, 0x09, '3', 'a', 'z', 'A', 0x7F,
                                          0x80, 0x81, 0xBF, 0xC3, 0xE3, 0xED, 0xFF};
  std::vector<std::string_view> screened, exact;
  int passes = 0, unchanged_passes = 0, failures = 0;
  for (std::size_t at = 0; at <= section.size(); ++at) {
    for (unsigned char value : kValues) {
      Bytes payload(section.begin(), section.end());
      if (at < payload.size()) payload[at] = value;
      // As long as the record, or with a few readable bytes past its end.
      for (std::size_t cut : {std::size_t{0}, std::size_t{5}}) {
        if (cut > payload.size()) continue;
        Bytes cut_payload(payload.begin(), payload.end() - static_cast<std::ptrdiff_t>(cut));
        for (std::uint64_t max_count : {3u, 256u}) {
          const ReadingsSection readings{cut_payload, 3, max_count, 129};
          for (std::uint64_t offset : offsets) {
            const bool passed = c.screen(readings, offset, screened);
            const bool exact_passed = passes_exact_checks(readings, offset, c.normal_form, exact);
            if (passed) {
              ASSERT_TRUE(exact_passed) << "byte " << at << " = " << int{value} << ", record at " << offset;
              ASSERT_EQ(screened, exact);
              ++passes;
              if (at == section.size() && cut == 0) ++unchanged_passes;
            } else {
              ++failures;
            }
          }
        }
      }
    }
  }
  // Unchanged, once per value and limit.
  EXPECT_EQ(unchanged_passes, c.screened * static_cast<int>(std::size(kValues)) * 2);
  EXPECT_GT(passes, 100);
  EXPECT_GT(failures, 100);
}

const std::string kLongReading(130, 'a');
const std::string kLongest(129, 'b');
const std::vector<std::string> kNineReadings = {"a", "b", "c", "d", "e", "f", "g", "h", "i"};

INSTANTIATE_TEST_SUITE_P(
    Languages, RecordScreenTest,
    ::testing::Values(
        // Each language's records: some pass, some fail a check (no readings,
        // an incomplete character, a repeat, an empty reading, a reading
        // over the length limit, one not in normal form), and the one of
        // nine readings, or of a reading normal but not plain, passes the
        // exact checks only.
        ScreenCase{"utf8", screen_utf8_record, std::nullopt,
                   {{"にほん", "ka"}, {"x"}, {kLongest, "é"}, {}, {"日本語", "\xe3\x81", "a"},
                    {"ア", "ア"}, {"日本語ですよね", "あ"}, {kLongReading}, kNineReadings,
                    {"\xe0\xa0\x80\xed\x9f\xbf"}, {"", "a"}},
                   5},
        ScreenCase{"tone3", pinyin_record_screen(zh::PinyinView::kTone3), zh::PinyinView::kTone3,
                   {{"zhong1", "guo2"}, {"a"}, {kLongest, "lv4"}, {}, {"ren2", "Ren2", "a"},
                    {"da4", "da4"}, {"xiang1guan1de5hua4", "e2"}, {kLongReading}, kNineReadings,
                    {"l\xc3\xbc" "4"}, {"", "a"}},
                   4},
        ScreenCase{"no_tone", pinyin_record_screen(zh::PinyinView::kNoTone), zh::PinyinView::kNoTone,
                   {{"zhong", "guo"}, {"a6"}, {kLongest, "lv"}, {}, {"ren", "ren2", "a"},
                    {"da", "da"}, {"xiangguandehua", "e"}, {kLongReading}, kNineReadings,
                    {"\xc3\xaa"}, {"", "a"}},
                   4}),
    [](const ::testing::TestParamInfo<ScreenCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace lumra::artifacts::testing
