// Canonical checksums of both languages: the exact texts, their order rules,
// and the same checksum from every payload form of the same content. The
// expected digests were computed independently (Python's hashlib and a
// plain FNV-1a loop over the texts written out by hand).
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "artifacts/indexed/unidic_indexed_index.h"
#include "artifacts/indexed/unidic_indexed_writer.h"
#include "artifacts/indexed/zh_indexed_index.h"
#include "artifacts/indexed/zh_indexed_writer.h"
#include "ja/unidic/binary_payload.h"
#include "ja/unidic/binary_payload_writer.h"
#include "ja/unidic/canonical_checksum.h"
#include "ja/unidic/yaml_payload.h"
#include "zh/index/canonical_checksum.h"
#include "zh/index/yaml_payload.h"

namespace lumra::artifacts {
namespace {

using Entries = std::vector<std::pair<std::string, std::vector<std::string>>>;  // payload order

constexpr char kJaHeader[] = "lumra.unidic.reading-index.surface-readings/v1\n";
constexpr char kZhHeader[] = "lumra.zh.reading-index.surface-readings/v1\n";

std::string yaml_entries(const Entries& entries) {
  if (entries.empty()) return "entries: []\n";
  std::string out = "entries:\n";
  for (const auto& [surface, readings] : entries) {
    out += "  - surface: \"" + surface + "\"\n    readings: [";
    for (std::size_t i = 0; i < readings.size(); ++i) out += (i ? ", \"" : "\"") + readings[i] + "\"";
    out += "]\n";
  }
  return out;
}

// The same entries as a YAML payload (in the order given), a binary payload
// and an indexed payload.
std::vector<std::unique_ptr<ja::UnidicReadingIndex>> ja_indexes(const Entries& entries) {
  std::vector<std::unique_ptr<ja::UnidicReadingIndex>> indexes;
  auto yaml = ja::parse_yaml_payload(
      "schema_version: 1\npayload_type: lumra.unidic.reading-index.surface-readings\n" +
      yaml_entries(entries));
  EXPECT_TRUE(yaml.ok()) << ja::message(yaml.error());
  if (yaml.ok()) indexes.push_back(std::move(yaml).value());

  ja::UnidicReadingIndexPayload payload{1, std::string(ja::kUnidicPayloadType), {}};
  for (const auto& [surface, readings] : entries) payload.entries.push_back({surface, readings});
  auto binary = ja::encode_binary_payload(payload);
  EXPECT_TRUE(binary.ok());
  if (binary.ok()) {
    auto index = ja::decode_binary_payload(binary.value());
    EXPECT_TRUE(index.ok());
    if (index.ok()) indexes.push_back(std::move(index).value());
  }
  auto indexed = encode_indexed_payload(payload);
  EXPECT_TRUE(indexed.ok());
  if (indexed.ok()) {
    auto index = parse_indexed_payload(std::move(indexed).value());
    EXPECT_TRUE(index.ok());
    if (index.ok()) indexes.push_back(std::move(index).value());
  }
  EXPECT_EQ(indexes.size(), 3u);
  return indexes;
}

// The same entries as a YAML payload naming the view `view_name` and as an
// indexed payload.
std::vector<std::unique_ptr<zh::ZhReadingIndex>> zh_indexes(std::string_view view_name,
                                                             const Entries& entries) {
  std::vector<std::unique_ptr<zh::ZhReadingIndex>> indexes;
  auto yaml = zh::parse_zh_yaml_payload(
      "schema_version: 1\npayload_type: lumra.zh.reading-index.surface-readings\npinyin_view: " +
      std::string(view_name) + "\n" + yaml_entries(entries));
  EXPECT_TRUE(yaml.ok()) << zh::message(yaml.error());
  if (!yaml.ok()) return indexes;
  auto indexed = encode_zh_indexed_payload(*yaml.value());
  indexes.push_back(std::move(yaml).value());
  EXPECT_TRUE(indexed.ok());
  if (indexed.ok()) {
    auto index = parse_zh_indexed_payload(std::move(indexed).value());
    EXPECT_TRUE(index.ok());
    if (index.ok()) indexes.push_back(std::move(index).value());
  }
  EXPECT_EQ(indexes.size(), 2u);
  return indexes;
}

std::string ja_text(const ja::UnidicReadingIndex& index) {
  auto text = ja::unidic_canonical_text(index);
  return text.ok() ? text.value() : "failed";
}
std::optional<std::string> ja_checksum(const ja::UnidicReadingIndex& index,
                                       std::string_view algorithm) {
  auto checksum = ja::canonical_payload_checksum(index, algorithm);
  EXPECT_TRUE(checksum.ok());
  return checksum.ok() ? checksum.value() : "failed";
}
std::string zh_text(const zh::ZhReadingIndex& index) {
  auto text = zh::zh_canonical_text(index);
  return text.ok() ? text.value() : "failed";
}
std::optional<std::string> zh_checksum(const zh::ZhReadingIndex& index,
                                       std::string_view algorithm) {
  auto checksum = zh::zh_canonical_checksum(index, algorithm);
  EXPECT_TRUE(checksum.ok());
  return checksum.ok() ? checksum.value() : "failed";
}

struct JaCase {
  std::string name;
  Entries entries;
  std::string text;  // empty: not checked
  std::string sha256;
  std::string fnv1a64;
  friend void PrintTo(const JaCase& c, std::ostream* os) { *os << c.name; }
};

// Surfaces in any payload order come out in byte order ("a" < "ab" < "b",
// Latin before Han); readings keep their stored order.
const Entries kJaEntries = {{"東京", {"とうきょう"}}, {"日", {"ひ", "にち"}}, {"b", {"びー"}},
                            {"ab", {"あぶ"}}, {"a", {"えー"}}};
const Entries kJaShuffled = {{"a", {"えー"}}, {"日", {"ひ", "にち"}}, {"東京", {"とうきょう"}},
                             {"ab", {"あぶ"}}, {"b", {"びー"}}};
const Entries kJaSwapped = {{"東京", {"とうきょう"}}, {"日", {"にち", "ひ"}}, {"b", {"びー"}},
                            {"ab", {"あぶ"}}, {"a", {"えー"}}};

const std::vector<JaCase> kJaCases = {
    {"one_entry", {{"日", {"ひ", "にち"}}}, std::string(kJaHeader) + "S3\n日\nR2\nr3\nひ\nr6\nにち\n",
     "", ""},
    {"byte_order",
     kJaEntries,
     std::string(kJaHeader) +
         "S1\na\nR1\nr6\nえー\nS2\nab\nR1\nr6\nあぶ\nS1\nb\nR1\nr6\nびー\n"
         "S3\n日\nR2\nr3\nひ\nr6\nにち\nS6\n東京\nR1\nr15\nとうきょう\n",
     "7c48c8604e167a77878afad323cbeb76df24c11df5b055a724955c4d3de39ca4", "20076133c5d4572f"},
    {"entry_order_ignored", kJaShuffled, "",
     "7c48c8604e167a77878afad323cbeb76df24c11df5b055a724955c4d3de39ca4", "20076133c5d4572f"},
    {"reading_order_kept", kJaSwapped, "",
     "327e3b5b37f6c19da591305c677c3532ba95623c71a1509c0efeb025e2e118e3", "5e154642364216fb"},
    {"empty", {}, kJaHeader, "8cb23ad9239519bfcc22219e6883bd7774842055e1a3a7fd2eeb8b2a076756e8",
     "a3b25be22afe5ee2"},
    {"fnv_leading_zero", {{"k9", {"か"}}}, "",
     "681e2d7a4a513b64fde8dc672c875c1b248c8b367ca82437977702d032c718e1", "05d4ec09bfea067e"},
};

class JaChecksumTest : public ::testing::TestWithParam<JaCase> {};

TEST_P(JaChecksumTest, EveryPayloadFormGivesTheSameTextAndChecksums) {
  const JaCase& c = GetParam();
  for (const auto& index : ja_indexes(c.entries)) {
    if (!c.text.empty()) {
      EXPECT_EQ(ja_text(*index), c.text);
    }
    if (!c.sha256.empty()) {
      EXPECT_EQ(ja_checksum(*index, "sha256-canonical-v1"), c.sha256);
    }
    if (!c.fnv1a64.empty()) {
      EXPECT_EQ(ja_checksum(*index, "fnv1a64-canonical-v1"), c.fnv1a64);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Entries, JaChecksumTest, ::testing::ValuesIn(kJaCases),
                         [](const auto& info) { return info.param.name; });

TEST(JaChecksumTest, OtherNamesAreUnsupported) {
  auto indexes = ja_indexes(kJaEntries);
  ASSERT_FALSE(indexes.empty());
  for (std::string_view name : {"SHA256-canonical-v1", "fnv1a64", "sha256", "sha256-file-v1",
                                "sha256-canonical-v1 ", "", "sha256-canonical-v2"}) {
    EXPECT_EQ(ja_checksum(*indexes[0], name), std::nullopt) << name;
  }
}

// An index that cannot walk its entries (an indexed payload whose bytes
// changed after validation) passes its error on rather than a checksum.
class BrokenIndex : public ja::UnidicReadingIndex {
 public:
  Result<bool, ja::UnidicLoadError> lookup(std::string_view,
                                           std::vector<std::string_view>&) const override {
    return false;
  }
  std::uint64_t entry_count() const override { return 1; }
  Status<ja::UnidicLoadError> for_each_canonical_entry(const EntryVisitor& visit) const override {
    visit("a", {"x"});
    return Fail(ja::unidic_errors::InvalidIndexedOffset{42});
  }
};

TEST(JaChecksumTest, AWalkFailureIsPassedOn) {
  BrokenIndex index;
  for (std::string_view name : {"sha256-canonical-v1", "fnv1a64-canonical-v1"}) {
    auto checksum = ja::canonical_payload_checksum(index, name);
    ASSERT_FALSE(checksum.ok());
    EXPECT_TRUE(std::holds_alternative<ja::unidic_errors::InvalidIndexedOffset>(checksum.error()));
  }
  EXPECT_FALSE(ja::unidic_canonical_text(index).ok());
}

struct ZhCase {
  std::string name;
  std::string view;
  Entries entries;
  std::string text;  // empty: not checked
  std::string sha256;
  friend void PrintTo(const ZhCase& c, std::ostream* os) { *os << c.name; }
};

const std::vector<ZhCase> kZhCases = {
    {"one_entry", "tone3", {{"中", {"zhong1"}}},
     std::string(kZhHeader) + "V5\ntone3\nS3\n中\nR1\nr6\nzhong1\n", ""},
    {"latin_before_han",
     "tone3",
     {{"行", {"xing2", "hang2"}}, {"中国", {"zhong1guo2"}}, {"中", {"zhong1"}}, {"a", {"a1"}}},
     std::string(kZhHeader) +
         "V5\ntone3\nS1\na\nR1\nr2\na1\nS3\n中\nR1\nr6\nzhong1\nS6\n中国\nR1\nr10\nzhong1guo2\n"
         "S3\n行\nR2\nr5\nxing2\nr5\nhang2\n",
     "0d7e4774f713a10bf386c9c0391574df66af529ba6edf418a6f2a8bc3a0bb824"},
    {"no_tone", "no-tone", {{"中国", {"zhongguo"}}, {"行", {"xing", "hang"}}},
     std::string(kZhHeader) + "V7\nno-tone\nS6\n中国\nR1\nr8\nzhongguo\nS3\n行\nR2\nr4\nxing\nr4\nhang\n",
     "b16a2a02759ecfcdd5d41f5459b6d8689d36b40df40b52bbd31ddfea7b69d0b4"},
    {"alias_normal_is_no_tone", "normal", {{"行", {"xing", "hang"}}, {"中国", {"zhongguo"}}}, "",
     "b16a2a02759ecfcdd5d41f5459b6d8689d36b40df40b52bbd31ddfea7b69d0b4"},
    {"reading_order_kept", "no-tone", {{"中国", {"zhongguo"}}, {"行", {"hang", "xing"}}}, "",
     "9d83c72ac2d5f9be918221ab2bcb0a9b7fdeb552de83f4f26d7d2f0cf87a9c11"},
    {"empty", "tone3", {}, std::string(kZhHeader) + "V5\ntone3\n",
     "bb559752c888ca20001ab966e817ce3e2b6a408d1133a39e315f3af1e2ba53a9"},
};

class ZhChecksumTest : public ::testing::TestWithParam<ZhCase> {};

TEST_P(ZhChecksumTest, EveryPayloadFormGivesTheSameTextAndChecksum) {
  const ZhCase& c = GetParam();
  for (const auto& index : zh_indexes(c.view, c.entries)) {
    if (!c.text.empty()) {
      EXPECT_EQ(zh_text(*index), c.text);
    }
    if (!c.sha256.empty()) {
      EXPECT_EQ(zh_checksum(*index, "sha256-canonical-v1"), c.sha256);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Entries, ZhChecksumTest, ::testing::ValuesIn(kZhCases),
                         [](const auto& info) { return info.param.name; });

TEST(ZhChecksumTest, OnlySha256IsSupported) {
  auto indexes = zh_indexes("tone3", kZhCases[1].entries);
  ASSERT_FALSE(indexes.empty());
  for (std::string_view name :
       {"fnv1a64-canonical-v1", "SHA256-canonical-v1", "sha256", "sha256-file-v1", ""}) {
    EXPECT_EQ(zh_checksum(*indexes[0], name), std::nullopt) << name;
  }
}

}  // namespace
}  // namespace lumra::artifacts
