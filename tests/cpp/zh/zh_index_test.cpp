#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "zh/index/load_payload.h"
#include "zh/index/map_reading_index.h"
#include "zh/index/normalize_pinyin.h"
#include "zh/index/yaml_payload.h"

namespace lumra::zh {
namespace {

struct NormalizeCase {
  std::string reading;
  PinyinView view;
  std::string normalized;
  friend void PrintTo(const NormalizeCase& c, std::ostream* os) { *os << c.reading.substr(0, 80); }
};

class NormalizePinyinTest : public ::testing::TestWithParam<NormalizeCase> {};

TEST_P(NormalizePinyinTest, NormalizesInOrder) {
  const NormalizeCase& c = GetParam();
  EXPECT_EQ(normalize_pinyin_reading(c.reading, c.view), c.normalized);
  // The allocation-free check agrees with the full normalisation.
  auto different = pinyin_normal_form_if_different(c.reading, c.view);
  EXPECT_EQ(different.has_value(), c.normalized != c.reading);
  if (different) {
    EXPECT_EQ(*different, c.normalized);
  }
}

constexpr PinyinView kTone3 = PinyinView::kTone3;
constexpr PinyinView kNoTone = PinyinView::kNoTone;

// The word-at-a-time check of pinyin_normal_form_if_different() against the
// full normalisation, on random readings long enough to fill several words,
// with every byte class that ends a plain run placed anywhere.
TEST(NormalizePinyinTest, WordChecksAgreeWithTheFullNormalisation) {
  static const std::string kPieces[] = {"a", "z", "g", "0", "1", "5", "6", "9", "zhong", "guo2",
                                        "A", "Z", ":", " ", "`", "{", "/", "@", "\x7f", "ü", "é"};
  std::mt19937_64 rng(31);
  for (int trial = 0; trial < 20000; ++trial) {
    std::string reading;
    for (std::size_t n = rng() % 12; n > 0; --n) {
      // Mostly plain pieces, so that whole words of them occur.
      reading += kPieces[rng() % 4 != 0 ? rng() % 10 : rng() % std::size(kPieces)];
    }
    for (PinyinView view : {kTone3, kNoTone}) {
      const std::string normalized = normalize_pinyin_reading(reading, view);
      const std::optional<std::string> different = pinyin_normal_form_if_different(reading, view);
      ASSERT_EQ(different.has_value(), normalized != reading) << reading;
      if (different) {
        ASSERT_EQ(*different, normalized) << reading;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NormalizePinyinTest,
    ::testing::Values(
        NormalizeCase{"zhong1guo2", kTone3, "zhong1guo2"},
        NormalizeCase{"Zhong1guo2", kTone3, "zhong1guo2"},
        NormalizeCase{"zhong1 guo2", kTone3, "zhong1guo2"},
        NormalizeCase{"lu:4", kTone3, "lv4"}, NormalizeCase{"lü4", kTone3, "lv4"},
        NormalizeCase{"LÜ4", kTone3, "lv4"}, NormalizeCase{"LU:4", kTone3, "lv4"},
        NormalizeCase{"u::", kTone3, "v:"}, NormalizeCase{"u :", kTone3, "u:"},
        // U+3000, U+00A0, U+2009, U+205F, tab and U+0085 are white space;
        // U+200B (zero-width space) is not.
        NormalizeCase{"a\u3000b\u00a0c\u2009d\u205fe\tf\u0085g", kTone3, "abcdefg"},
        NormalizeCase{"a\u200bb", kTone3, "a\u200bb"},
        // Full mapping: İ lower-cases to i + combining dot; final sigma.
        NormalizeCase{"İ", kTone3, "i\u0307"}, NormalizeCase{"ΑΣ", kTone3, "ας"},
        NormalizeCase{"zhong1guo2", kNoTone, "zhongguo"},
        NormalizeCase{"a12b6", kNoTone, "ab6"}, NormalizeCase{"1a", kNoTone, "1a"},
        NormalizeCase{"é1", kNoTone, "é1"}, NormalizeCase{"Xing2", kNoTone, "xing"},
        NormalizeCase{" \t", kNoTone, ""}));

std::string payload_of(std::string_view view, std::string_view entries) {
  return "schema_version: 1\npayload_type: lumra.zh.reading-index.surface-readings\n"
         "pinyin_view: " + std::string(view) + "\nentries: [" + std::string(entries) + "]\n";
}

std::string load_error(std::string_view yaml) {
  auto index = parse_zh_yaml_payload(yaml);
  return index.ok() ? "loaded" : message(index.error());
}

struct ErrorCase {
  std::string yaml;
  std::string message;
  friend void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.yaml.substr(0, 80); }
};

class ZhPayloadErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ZhPayloadErrorTest, FailsWithTheExactMessage) {
  EXPECT_EQ(load_error(GetParam().yaml), GetParam().message);
}

std::string readings_list(int count) {
  std::string list = "[";
  for (int i = 0; i < count; ++i) list += (i ? ", r" : "r") + std::to_string(i);
  return list + "]";
}

INSTANTIATE_TEST_SUITE_P(
    Validation, ZhPayloadErrorTest,
    ::testing::Values(
        ErrorCase{"schema_version: 2\npayload_type: x\npinyin_view: x\nentries: []",
                  "unsupported zh artifact payload schema version 2"},
        ErrorCase{"schema_version: 1\npayload_type: \"x\\u0301\"\npinyin_view: x\nentries: []",
                  "unsupported zh artifact payload type \"x\\u{301}\""},
        ErrorCase{payload_of("Tone3", ""), "unsupported zh artifact pinyin view \"Tone3\""},
        ErrorCase{payload_of("tone3", "{surface: '', readings: []}"),
                  "zh artifact payload entry 0 has an empty surface"},
        ErrorCase{payload_of("tone3", "{surface: '', readings: " + readings_list(300) + "}"),
                  "zh artifact reading_count length/count 300 exceeds limit 256"},
        ErrorCase{payload_of("tone3", "{surface: a, readings: [x]}, {surface: b, readings: [y]},"
                                      "{surface: c, readings: [z]}, {surface: '', readings: [w]}"),
                  "zh artifact payload entry 3 has an empty surface"},
        ErrorCase{payload_of("tone3", "{surface: 行, readings: []}"),
                  "zh artifact payload surface \"行\" has no readings"},
        ErrorCase{payload_of("tone3", "{surface: 行, readings: [xing2, '']}"),
                  "zh artifact payload surface \"行\" has an empty reading at index 1"},
        ErrorCase{payload_of("tone3", "{surface: 行, readings: [xing2, xing2]}"),
                  "zh artifact payload surface \"行\" has duplicate reading \"xing2\""},
        ErrorCase{payload_of("normal", "{surface: 行, readings: [xing2]}"),
                  "zh artifact payload surface \"行\" has non-normalized reading \"xing2\"; "
                  "expected \"xing\""},
        ErrorCase{payload_of("tone3", "{surface: 行, readings: [' ']}"),
                  "zh artifact payload surface \"行\" has non-normalized reading \" \"; "
                  "expected \"\""},
        // The normal form is checked before the duplicate, reading by reading.
        ErrorCase{payload_of("tone3", "{surface: 行, readings: [xing2, xing2, Hang2]}"),
                  "zh artifact payload surface \"行\" has duplicate reading \"xing2\""},
        ErrorCase{payload_of("tone3", "{surface: 行, readings: [Xing2, Xing2]}"),
                  "zh artifact payload surface \"行\" has non-normalized reading \"Xing2\"; "
                  "expected \"xing2\""},
        ErrorCase{payload_of("tone3", "{surface: 行, readings: [x]}, {surface: 行, readings: [Y]}"),
                  "zh artifact payload surface \"行\" has non-normalized reading \"Y\"; "
                  "expected \"y\""},
        ErrorCase{payload_of("tone3", "{surface: 行, readings: [x]}, {surface: 行, readings: [y]}"),
                  "zh artifact payload has duplicate surface \"行\""},
        // A view named after the entries still decides their normal form,
        // and an earlier entry's form is reported before a later problem.
        ErrorCase{"entries: [{surface: a, readings: [a1]}, {surface: '', readings: [b]}]\n"
                  "schema_version: 1\npayload_type: lumra.zh.reading-index.surface-readings\n"
                  "pinyin_view: no-tone\n",
                  "zh artifact payload surface \"a\" has non-normalized reading \"a1\"; "
                  "expected \"a\""},
        ErrorCase{"schema_version: -1\npayload_type: x\npinyin_view: x\nentries: []",
                  "invalid zh artifact payload YAML: invalid value: integer `-1`, expected u32 at "
                  "line 1 column 17"},
        ErrorCase{payload_of("tone3", "{surface: a, readings: [x], readings: [y]}"),
                  "invalid zh artifact payload YAML: duplicate field `readings` at line 4 column 39"},
        ErrorCase{"schema_version: 1\npayload_type: x\nentries: []",
                  "invalid zh artifact payload YAML: missing field `pinyin_view` at line 1 column 1"}));

TEST(ZhReadingIndexTest, AcceptsSurfacesAndReadingListsAtTheirLimits) {
  std::string readings = "[";
  for (int i = 0; i < 256; ++i) readings += (i ? ", a" : "a") + std::to_string(i);
  readings += "]";
  auto index = parse_zh_yaml_payload(payload_of(
      "tone3", "{surface: " + std::string(16384, 's') + ", readings: " + readings + "}"));
  ASSERT_TRUE(index.ok()) << message(index.error());
}

TEST(ZhReadingIndexTest, LooksUpExactSurfacesAndWritesTheCanonicalPayload) {
  auto index = parse_zh_yaml_payload(payload_of(
      "normal", "{surface: 行, readings: [xing, hang]}, {surface: 中国, readings: [zhongguo]}"));
  ASSERT_TRUE(index.ok()) << message(index.error());
  EXPECT_EQ(index.value()->view(), PinyinView::kNoTone);
  std::vector<std::string_view> readings;
  ASSERT_TRUE(index.value()->lookup_readings("行", readings).value());
  EXPECT_EQ(readings, (std::vector<std::string_view>{"xing", "hang"}));
  EXPECT_FALSE(index.value()->lookup_readings(" 中国", readings).value());

  auto payload = to_payload(*index.value());
  ASSERT_TRUE(payload.ok());
  EXPECT_EQ(payload.value().pinyin_view, "no-tone");
  EXPECT_EQ(payload.value().payload_type, kZhPayloadType);
  ASSERT_EQ(payload.value().entries.size(), 2u);
  EXPECT_EQ(payload.value().entries[0].surface, "中国");  // E4 B8 AD sorts before E8 A1 8C
  // The payload builds the same index again.
  auto rebuilt = build_zh_index(payload.value());
  ASSERT_TRUE(rebuilt.ok());
  EXPECT_EQ(rebuilt.value()->entry_count(), 2u);
}

TEST(ZhReadingIndexTest, CountsEntriesBeforeLookingAtThem) {
  ZhReadingIndexPayload payload{1, std::string(kZhPayloadType), "tone3", {}};
  payload.entries.resize(ZhArtifactLimits::kEntryCount + 1);
  auto index = build_zh_index(payload);
  ASSERT_FALSE(index.ok());
  EXPECT_EQ(message(index.error()),
            "zh artifact entry_count length/count 2000001 exceeds limit 2000000");
}

TEST(LoadZhPayloadTest, DispatchesOnTheExactFormatName) {
  for (std::string_view format : {"YAML", "binary", ""}) {
    auto index = load_zh_payload("/nonexistent", format);
    ASSERT_FALSE(index.ok());
    EXPECT_EQ(message(index.error()), "unsupported payload_format \"" + std::string(format) +
                                          "\"; expected 'yaml' or 'indexed'");
  }
  auto index = load_zh_payload("/nonexistent", "yaml.surface-readings.v1");
  ASSERT_FALSE(index.ok());
  EXPECT_EQ(message(index.error()),
            "failed to read zh artifact payload: No such file or directory (os error 2)");
}

}  // namespace
}  // namespace lumra::zh
