#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <ostream>
#include <string>
#include <vector>

#include "ja/unidic/map_reading_index.h"
#include "ja/unidic/reading_index.h"
#include "ja/unidic/yaml_payload.h"

namespace lumra::ja {
namespace {

constexpr std::string_view kHeader =
    "schema_version: 1\npayload_type: lumra.unidic.reading-index.surface-readings\n";

std::string payload_of(std::string_view entries) {
  return std::string(kHeader) + "entries: [" + std::string(entries) + "]\n";
}

std::string readings_list(int count) {
  std::string list = "[";
  for (int i = 0; i < count; ++i) list += (i ? ", r" : "r") + std::to_string(i);
  return list + "]";
}

std::string load_error(std::string_view yaml) {
  auto index = parse_yaml_payload(yaml);
  return index.ok() ? "loaded" : message(index.error());
}

struct ErrorCase {
  std::string yaml;
  std::string message;
  friend void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.yaml.substr(0, 80); }
};

class UnidicPayloadErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(UnidicPayloadErrorTest, FailsWithTheExactMessage) {
  EXPECT_EQ(load_error(GetParam().yaml), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Validation, UnidicPayloadErrorTest,
    ::testing::Values(
        ErrorCase{"schema_version: 2\npayload_type: x\nentries: [{surface: '', readings: []}]",
                  "unsupported UniDic artifact payload schema version 2"},
        ErrorCase{"schema_version: 1\npayload_type: x\nentries: []",
                  "unsupported UniDic artifact payload type \"x\""},
        ErrorCase{payload_of("{surface: a, readings: [x]}, {surface: '', readings: [x]}"),
                  "UniDic artifact payload entry 1 has an empty surface"},
        ErrorCase{payload_of("{surface: '', readings: []}"),
                  "UniDic artifact payload entry 0 has an empty surface"},
        ErrorCase{payload_of("{surface: a, readings: []}"),
                  "UniDic artifact payload surface \"a\" has no readings"},
        ErrorCase{payload_of("{surface: \"a\\tb\", readings: [a, '', b]}"),
                  "UniDic artifact payload surface \"a\\tb\" has an empty reading at index 1"},
        ErrorCase{payload_of("{surface: 日本, readings: [にほん, にほん]}"),
                  "UniDic artifact payload surface \"日本\" has duplicate reading \"にほん\""},
        ErrorCase{payload_of("{surface: '', readings: " + readings_list(257) + "}"),
                  "UniDic artifact reading_count length/count 257 exceeds limit 256"},
        ErrorCase{payload_of("{surface: " + std::string(16385, 's') + ", readings: []}"),
                  "UniDic artifact surface_bytes length/count 16385 exceeds limit 16384"},
        ErrorCase{payload_of("{surface: a, readings: [x, " + std::string(16385, 'r') + "]}"),
                  "UniDic artifact reading_bytes length/count 16385 exceeds limit 16384"},
        // The second entry's readings are checked before its surface is
        // found to be a duplicate.
        ErrorCase{payload_of("{surface: a, readings: [x]}, {surface: a, readings: [y, y]}"),
                  "UniDic artifact payload surface \"a\" has duplicate reading \"y\""},
        ErrorCase{payload_of("{surface: a, readings: [x]}, {surface: a, readings: [y]}"),
                  "UniDic artifact payload has duplicate surface \"a\""},
        // Header fields after the entries are still checked first.
        ErrorCase{"entries: [{surface: '', readings: [x]}]\npayload_type: x\nschema_version: 1",
                  "unsupported UniDic artifact payload type \"x\""}));

INSTANTIATE_TEST_SUITE_P(
    Yaml, UnidicPayloadErrorTest,
    ::testing::Values(
        ErrorCase{"payload_type: x\nentries: []",
                  "invalid UniDic artifact payload YAML: missing field `schema_version` at line 1 "
                  "column 1"},
        ErrorCase{payload_of("{surface: a, surface: b, readings: [x]}"),
                  "invalid UniDic artifact payload YAML: duplicate field `surface` at line 3 "
                  "column 24"},
        ErrorCase{payload_of("{readings: [x]}"),
                  "invalid UniDic artifact payload YAML: missing field `surface` at line 3 column 11"},
        ErrorCase{"schema_version: 4294967296\npayload_type: x\nentries: []",
                  "invalid UniDic artifact payload YAML: invalid value: integer `4294967296`, "
                  "expected u32 at line 1 column 17"},
        ErrorCase{payload_of("[a]"),
                  "invalid UniDic artifact payload YAML: invalid type: sequence, expected struct "
                  "UnidicReadingIndexPayloadEntry at line 3 column 11"},
        // A YAML error anywhere wins over a validation failure before it,
        // also past the readings that are only counted.
        ErrorCase{payload_of("{surface: '', readings: [x]}, {surface: 1, readings: [x]}"),
                  "invalid UniDic artifact payload YAML: invalid type: integer `1`, expected a "
                  "string at line 3 column 51"},
        ErrorCase{payload_of("{surface: a, readings: " + readings_list(300).insert(1, "[],") + "}"),
                  "invalid UniDic artifact payload YAML: invalid type: sequence, expected a string "
                  "at line 3 column 35"},
        ErrorCase{payload_of("{surface: a, readings: " + readings_list(300).replace(1, 2, "r1") + "}"),
                  "UniDic artifact reading_count length/count 300 exceeds limit 256"},
        ErrorCase{payload_of("{surface: a, readings: " + readings_list(300).insert(1631, "[],") + "}"),
                  "invalid UniDic artifact payload YAML: invalid type: sequence, expected a string "
                  "at line 3 column 1665"}));

TEST(UnidicReadingIndexTest, LooksUpExactAndFoldedSurfaces) {
  auto index = parse_yaml_payload(payload_of(
      "{surface: 日本, readings: [にほん, にっぽん], extra: {ignored: [1]}},"
      "{surface: ABC, readings: [えーびーしー]}"));
  ASSERT_TRUE(index.ok()) << message(index.error());
  EXPECT_EQ(index.value()->entry_count(), 2u);
  std::vector<std::string_view> readings;
  ASSERT_TRUE(index.value()->lookup("日本", readings).value());
  EXPECT_EQ(readings, (std::vector<std::string_view>{"にほん", "にっぽん"}));
  EXPECT_FALSE(index.value()->lookup("日", readings).value());
  EXPECT_TRUE(readings.empty());
  EXPECT_FALSE(index.value()->lookup("ＡＢＣ", readings).value());
  ASSERT_TRUE(index.value()->lookup_folded("ＡＢＣ", readings).value());
  EXPECT_EQ(readings, (std::vector<std::string_view>{"えーびーしー"}));
}

// Folding changes a text exactly when it holds U+3000 or U+FF01..U+FF5E; the
// others sit next to them in UTF-8.
TEST(UnidicReadingIndexTest, FoldsExactlyTheFullWidthCharacters) {
  const std::vector<std::pair<std::string, bool>> kChars = {
      {"\xEF\xBC\x81", true},  {"\xEF\xBD\x9E", true},  {"\xEF\xBD\x81", true},
      {"\xE3\x80\x80", true},  {"\xEF\xBC\x80", false}, {"\xEF\xBD\x9F", false},
      {"\xEF\xBD\xB0", false}, {"\xE3\x80\x81", false}, {"a", false}, {"日", false}};
  std::mt19937 random(31);
  for (int round = 0; round < 500; ++round) {
    std::vector<std::size_t> picks(1 + random() % 5);
    for (std::size_t& pick : picks) pick = random() % kChars.size();
    for (std::size_t from = 0; from < picks.size(); ++from) {
      std::string text;
      bool folds = false;
      for (std::size_t to = from; to < picks.size(); ++to) {
        text += kChars[picks[to]].first;
        folds = folds || kChars[picks[to]].second;
        EXPECT_EQ(may_fold_surface(text), folds) << text;
        EXPECT_EQ(fold_surface(text).has_value(), folds) << text;
      }
    }
  }
}

TEST(UnidicReadingIndexTest, VisitsEntriesInSurfaceByteOrder) {
  UnidicReadingIndexPayload payload{1, std::string(kUnidicPayloadType), {}};
  for (const char* surface : {"日本語", "b", "日本", "ab", "\xEF\xBD\x81", "a"}) {
    payload.entries.push_back({surface, {std::string("r") + surface, "x"}});
  }
  auto index = build_reading_index(payload);
  ASSERT_TRUE(index.ok());
  std::vector<std::string> order;
  ASSERT_TRUE(index.value()
                  ->for_each_canonical_entry([&](std::string_view surface, const auto& readings) {
                    order.emplace_back(surface);
                    EXPECT_EQ(readings.at(0), "r" + std::string(surface));
                  })
                  .ok());
  EXPECT_EQ(order, (std::vector<std::string>{"a", "ab", "b", "日本", "日本語", "\xEF\xBD\x81"}));
}

TEST(UnidicReadingIndexTest, CountsEntriesBeforeLookingAtThem) {
  UnidicReadingIndexPayload payload{1, std::string(kUnidicPayloadType), {}};
  payload.entries.resize(UnidicArtifactLimits::kEntryCount + 1);  // all with empty surfaces
  auto index = build_reading_index(payload);
  ASSERT_FALSE(index.ok());
  EXPECT_EQ(message(index.error()),
            "UniDic artifact entry_count length/count 3000001 exceeds limit 3000000");
}

class UnidicPayloadFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ = std::filesystem::temp_directory_path() /
                 ("unidic_payload_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(directory_);
  }
  void TearDown() override { std::filesystem::remove_all(directory_); }
  std::string path(std::string_view name) const { return (directory_ / name).string(); }
  std::string load_error(const std::string& file) const {
    auto index = load_yaml_payload(file);
    return index.ok() ? "loaded" : message(index.error());
  }

  std::filesystem::path directory_;
};

TEST_F(UnidicPayloadFileTest, LoadsAFileAndReportsFileErrors) {
  std::ofstream(path("ok.yaml")) << payload_of("{surface: 日本, readings: [にほん]}");
  auto index = load_yaml_payload(path("ok.yaml"));
  ASSERT_TRUE(index.ok()) << message(index.error());
  EXPECT_EQ(index.value()->entry_count(), 1u);

  EXPECT_EQ(load_error(path("missing.yaml")),
            "failed to read UniDic artifact payload: No such file or directory (os error 2)");
  EXPECT_EQ(load_error(directory_.string()),
            "failed to read UniDic artifact payload: Is a directory (os error 21)");
  EXPECT_EQ(load_error(path("ok.yaml") + std::string(1, '\0')),
            "failed to read UniDic artifact payload: Invalid argument (os error 22)");
  // One byte over the limit fails before the (sparse) file is read.
  int fd = ::open(path("big.yaml").c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, 536870913), 0);
  ::close(fd);
  EXPECT_EQ(load_error(path("big.yaml")),
            "UniDic artifact payload_bytes length/count 536870913 exceeds limit 536870912");
}

// Opening a FIFO must not wait for a writer that never comes: with none, it
// reads as an empty stream.
TEST_F(UnidicPayloadFileTest, FifoWithoutWriterDoesNotHang) {
  ASSERT_EQ(::mkfifo(path("pipe.yaml").c_str(), 0600), 0);
  EXPECT_EQ(load_error(path("pipe.yaml")),
            "invalid UniDic artifact payload YAML: the YAML stream holds no document at line 1 "
            "column 1");
}

// A file longer than its size says (a pipe with a writer, a device) is
// streamed through libyaml from the bytes already read on.
TEST_F(UnidicPayloadFileTest, PipesAndDevicesAreStreamed) {
  const std::string yaml = payload_of("{surface: 日本, readings: [にほん, にっぽん]}, {surface: a, readings: [b]}");
  ASSERT_EQ(::mkfifo(path("pipe.yaml").c_str(), 0600), 0);
  // A reader kept open lets the writer put the payload in the pipe's buffer
  // and leave before the loader opens it.
  int keeper = ::open(path("pipe.yaml").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(keeper, 0);
  int writer = ::open(path("pipe.yaml").c_str(), O_WRONLY);
  ASSERT_GE(writer, 0);
  ASSERT_EQ(::write(writer, yaml.data(), yaml.size()), static_cast<ssize_t>(yaml.size()));
  ::close(writer);
  auto index = load_yaml_payload(path("pipe.yaml"));
  ::close(keeper);
  ASSERT_TRUE(index.ok()) << message(index.error());
  std::vector<std::string_view> readings;
  ASSERT_TRUE(index.value()->lookup("日本", readings).value());
  EXPECT_EQ(readings, (std::vector<std::string_view>{"にほん", "にっぽん"}));
  EXPECT_EQ(index.value()->entry_count(), 2u);

  auto zeros = parse_yaml_payload(std::string(4096, '\0'), payload::YamlReading::kLibyamlOnly);
  ASSERT_FALSE(zeros.ok());
  EXPECT_EQ(load_error("/dev/zero"), message(zeros.error()));
}

}  // namespace
}  // namespace lumra::ja

namespace lumra::ja {
namespace {

// Mutated payloads load or fail with a message; none may crash (run the
// suite under the sanitizers to see more than crashes).
TEST(UnidicPayloadFuzzTest, MutatedPayloadsFailCleanly) {
  const std::string valid = payload_of(
      "{surface: 日本, readings: [にほん, にっぽん]}, {surface: \"a\", readings: ['b']},"
      "{surface: c, readings: [d], note: {x: [1, 2]}}");
  const std::string_view pieces[] = {"[", "]", "{", "}", "&a ", "*a", ": ", "- ", "\n", "\n  ",
                                     "\xff", "\"", "'", "---\n", "!!str ", "#", "\t", "\\"};
  std::mt19937 rng(5);
  for (int round = 0; round < 3000; ++round) {
    std::string text = valid;
    for (int edits = 1 + rng() % 4; edits > 0; --edits) {
      std::size_t at = rng() % (text.size() + 1);
      if (rng() % 3 == 0 && at < text.size()) {
        text.erase(at, 1 + rng() % 8);
      } else {
        text.insert(at, pieces[rng() % std::size(pieces)]);
      }
    }
    auto index = parse_yaml_payload(text);
    if (!index.ok()) {
      EXPECT_NE(message(index.error()).find("UniDic artifact"), std::string::npos)
          << message(index.error());
    }
  }
}

}  // namespace
}  // namespace lumra::ja
