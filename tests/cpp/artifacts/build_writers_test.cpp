// The YAML payload writer read back by the loaders, and bundles: the same
// content in every format checks the same, and a failed build leaves
// nothing behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "artifacts/build/bundle_writer.h"
#include "artifacts/build/yaml_payload_writer.h"
#include "build_test_support.h"
#include "ja/unidic/map_reading_index.h"
#include "ja/unidic/yaml_payload.h"
#include "zh/index/yaml_payload.h"

namespace lumra::artifacts::build {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

// Texts a careless writer would change: YAML's typed plain scalars, quotes,
// escapes, control characters, leading and trailing blanks, a document
// marker.
const std::vector<std::string> kAwkwardTexts = {
    "1",   "true", "~",     "null", "0x10", "-",        "a: b", "#x",  "\"q\"", "back\\slash",
    " sp", "sp ",  "tab\t", "nl\n", "---",  "\u3000日", "'",    "{}",  "é\u0301", "\x01"};

std::vector<std::string> entries_of_index(const auto& index) {
  std::vector<std::string> seen;
  auto visited = index.for_each_canonical_entry(
      [&](std::string_view surface, const std::vector<std::string_view>& readings) {
        seen.emplace_back(surface);
        for (std::string_view reading : readings) seen.push_back("  " + std::string(reading));
      });
  EXPECT_TRUE(visited.ok());
  return seen;
}

TEST(YamlPayloadWriter, UnidicTextsSurviveTheRoundTrip) {
  ja::UnidicReadingIndexPayload payload{1, std::string(ja::kUnidicPayloadType), {}};
  std::vector<std::string> expected;
  for (const std::string& text : kAwkwardTexts) {
    payload.entries.push_back({text, {text, "r" + text}});
  }
  auto yaml = encode_unidic_yaml_payload(payload);
  ASSERT_TRUE(yaml.ok()) << yaml.error();
  auto index = ja::parse_yaml_payload(yaml.value());
  ASSERT_TRUE(index.ok()) << ja::message(index.error()) << "\n" << yaml.value();
  auto direct = ja::build_reading_index(payload);
  ASSERT_TRUE(direct.ok());
  EXPECT_EQ(entries_of_index(*index.value()), entries_of_index(*direct.value()));
}

TEST(YamlPayloadWriter, ZhTextsSurviveTheRoundTrip) {
  zh::ZhReadingIndexPayload payload{1, std::string(zh::kZhPayloadType), "tone3", {}};
  for (const std::string& text : kAwkwardTexts) payload.entries.push_back({text, {"zhong1"}});
  auto yaml = encode_zh_yaml_payload(payload);
  ASSERT_TRUE(yaml.ok()) << yaml.error();
  auto index = zh::parse_zh_yaml_payload(yaml.value());
  ASSERT_TRUE(index.ok()) << zh::message(index.error());
  EXPECT_EQ(index.value()->entry_count(), kAwkwardTexts.size());
  std::vector<std::string_view> readings;
  for (const std::string& text : kAwkwardTexts) {
    auto found = index.value()->lookup_readings(text, readings);
    ASSERT_TRUE(found.ok() && found.value()) << text;
  }
}

std::string metadata_value(const std::string& metadata, const std::string& key) {
  std::size_t at = metadata.find("  " + key + ": ");
  if (at == std::string::npos) return "";
  std::size_t start = at + key.size() + 4;
  std::string value = metadata.substr(start, metadata.find('\n', start) - start);
  if (value.size() >= 2 && value.front() == '"') value = value.substr(1, value.size() - 2);
  return value;
}

BundleDescription description(const TempDir& dir) {
  BundleDescription d;
  d.artifact_name = "test";
  d.generator = "test";
  d.source_name = "src";
  d.source_version = "1";
  d.source_file = "lex.csv";
  d.selected_license = "MIT";
  d.licences = {{"Lic A", testing::write_text(dir, "COPYING", "licence text\n")}};
  return d;
}

TEST(BundleWriter, EveryFormatChecksTheSameAndItsDigestIsTheFiles) {
  TempDir dir;
  ja::UnidicReadingIndexPayload payload{1, std::string(ja::kUnidicPayloadType),
                                        {{"東京", {"とうきょう"}}, {"日本", {"にっぽん", "にほん"}}}};
  std::string checksum;
  for (std::string format : {"yaml", "binary", "indexed"}) {
    SCOPED_TRACE(format);
    std::string out = dir.path() + "/out/" + format;
    auto written = write_unidic_bundle(out, false, payload, format, UnidicBuildSettings{"kana"},
                                       description(dir));
    ASSERT_TRUE(written.ok()) << written.error().what;
    EXPECT_EQ(written.value().entries, 2u);
    std::string metadata = testing::read_file(out + "/metadata.yaml");
    std::string payload_path = out + "/" + metadata_value(metadata, "path");
    EXPECT_EQ(metadata_value(metadata, "file_digest"), sha256_file_digest(payload_path).value());
    EXPECT_EQ(metadata_value(metadata, "checksum"), written.value().checksum);
    EXPECT_EQ(metadata_value(metadata, "format"), format);
    EXPECT_EQ(metadata_value(metadata, "entries"), "2");
    EXPECT_EQ(testing::read_file(out + "/licenses/Lic_A.txt"), "licence text\n");
    if (checksum.empty()) checksum = written.value().checksum;
    EXPECT_EQ(written.value().checksum, checksum);
  }
  EXPECT_EQ(checksum.size(), 64u);

  zh::ZhReadingIndexPayload zh_payload{1, std::string(zh::kZhPayloadType), "no-tone",
                                       {{"中国", {"zhongguo"}}}};
  std::string zh_checksum;
  for (std::string format : {"yaml", "indexed"}) {
    auto written = write_zh_bundle(dir.path() + "/zh-" + format, false, zh_payload, format,
                                   std::nullopt, description(dir));
    ASSERT_TRUE(written.ok()) << written.error().what;
    if (zh_checksum.empty()) zh_checksum = written.value().checksum;
    EXPECT_EQ(written.value().checksum, zh_checksum);
  }
}

TEST(BundleWriter, AFailedBuildLeavesNothingAndAnExistingBundleStays) {
  TempDir dir;
  ja::UnidicReadingIndexPayload payload{1, std::string(ja::kUnidicPayloadType),
                                        {{"猫", {"ねこ"}}}};
  std::string out = dir.path() + "/bundle";
  BundleDescription missing_licence = description(dir);
  missing_licence.licences.push_back({"gone", dir.path() + "/no-such-file"});
  auto failed = write_unidic_bundle(out, false, payload, "indexed", UnidicBuildSettings{"kana"},
                                    missing_licence);
  ASSERT_FALSE(failed.ok());
  EXPECT_NE(failed.error().what.find("no-such-file is not a regular file"), std::string::npos);

  // An invalid payload (a duplicate reading) fails in the writer.
  ja::UnidicReadingIndexPayload invalid{1, std::string(ja::kUnidicPayloadType),
                                        {{"猫", {"ねこ", "ねこ"}}}};
  EXPECT_FALSE(write_unidic_bundle(out, false, invalid, "yaml", UnidicBuildSettings{"kana"},
                                   description(dir))
                   .ok());
  auto names = [&] {
    std::vector<std::string> found;
    for (const auto& item : fs::directory_iterator(dir.path())) {
      found.push_back(item.path().filename().string());
    }
    std::sort(found.begin(), found.end());
    return found;
  };
  EXPECT_EQ(names(), std::vector<std::string>{"COPYING"});

  ASSERT_TRUE(write_unidic_bundle(out, false, payload, "yaml", UnidicBuildSettings{"kana"},
                                  description(dir))
                  .ok());
  auto again = write_unidic_bundle(out, false, payload, "binary", UnidicBuildSettings{"kana"},
                                   description(dir));
  ASSERT_FALSE(again.ok());
  EXPECT_NE(again.error().what.find("exists; --force replaces it"), std::string::npos);
  EXPECT_TRUE(fs::exists(out + "/payload.yaml"));
  ASSERT_TRUE(write_unidic_bundle(out, true, payload, "binary", UnidicBuildSettings{"kana"},
                                  description(dir))
                  .ok());
  EXPECT_TRUE(fs::exists(out + "/payload.bin"));
  EXPECT_FALSE(fs::exists(out + "/payload.yaml"));
  EXPECT_EQ(names(), (std::vector<std::string>{"COPYING", "bundle"}));
}

}  // namespace
}  // namespace lumra::artifacts::build
