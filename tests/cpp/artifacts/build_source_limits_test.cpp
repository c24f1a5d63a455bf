// Sources that are not text of ours, read without filling memory, and
// compressed sources cut short, refused instead of read as far as they go.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "artifacts/build/gzip_file.h"
#include "artifacts/build/line_reader.h"
#include "build_test_support.h"

namespace lumra::artifacts::build {
namespace {

using testing::TempDir;

struct LinesCase {
  std::string name;
  std::string text;
  std::vector<std::string> lines;
  std::string failure;  // empty: read to the end
};

class LineReaderCases : public ::testing::TestWithParam<LinesCase> {};

TEST_P(LineReaderCases, ReadsLinesUpToTheCap) {
  TempDir dir;
  auto reader = LineReader::open(testing::write_text(dir, "source", GetParam().text));
  ASSERT_TRUE(reader.ok());
  std::vector<std::string> lines;
  std::string_view line;
  while (reader.value().next(line)) lines.emplace_back(line);
  EXPECT_EQ(lines, GetParam().lines);
  const auto& failure = reader.value().failure();
  EXPECT_EQ(failure ? failure->what : "", GetParam().failure);
}

const std::string kLongest(LineReader::kMaxLineBytes, 'x');

INSTANTIATE_TEST_SUITE_P(
    Lines, LineReaderCases,
    ::testing::Values(
        LinesCase{"Plain", "a\r\nb\n\nc", {"a", "b", "", "c"}, ""},
        LinesCase{"NulKept", std::string("a\0b\n", 4), {std::string("a\0b", 3)}, ""},
        LinesCase{"LongestLine", kLongest + "\nz\n", {kLongest, "z"}, ""},
        LinesCase{"OverTheCap", "a\n" + kLongest + "y\nz\n", {"a"},
                  "line 2 is longer than 1048576 bytes"}),
    [](const auto& info) { return info.param.name; });

TEST(LineReader, AnEndlessDeviceFailsAtTheCap) {
  auto reader = LineReader::open("/dev/zero");
  ASSERT_TRUE(reader.ok());
  std::string_view line;
  EXPECT_FALSE(reader.value().next(line));
  ASSERT_TRUE(reader.value().failure());
  EXPECT_EQ(reader.value().failure()->what, "line 1 is longer than 1048576 bytes");
}

TEST(ReadTextFile, ADeviceOfSizeZeroStillStopsAtTheLimit) {
  auto text = read_text_file("/dev/zero", 1 << 10);
  ASSERT_FALSE(text.ok());
  EXPECT_EQ(text.error().path, "/dev/zero");
}

TEST(ReadGzipFile, ACutShortStreamIsRefused) {
  TempDir dir;
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "line " + std::to_string(i) + "\n";
  const std::string whole = testing::write_gzip(dir, "whole.gz", text);
  auto read = read_gzip_file(whole, 1 << 24);
  ASSERT_TRUE(read.ok());
  EXPECT_EQ(read.value(), text);

  const std::string bytes = testing::read_file(whole);
  for (std::size_t keep : {bytes.size() - 1, bytes.size() - 8, bytes.size() / 2}) {
    const std::string cut = testing::write_text(dir, "cut.gz", bytes.substr(0, keep));
    auto failed = read_gzip_file(cut, 1 << 24);
    ASSERT_FALSE(failed.ok()) << keep;
    EXPECT_EQ(failed.error().what, "gzip: the compressed data ends early");
  }
}

}  // namespace
}  // namespace lumra::artifacts::build
