// Indexed payloads that load: what lookups and the canonical walk give, the
// layouts the format allows beyond what our writer produces, the writers,
// and loading by format name.
#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <new>

#include "artifacts/indexed/unidic_indexed_writer.h"
#include "artifacts/indexed/zh_indexed_writer.h"
#include "artifacts/load_payload.h"
#include "ja/unidic/yaml_payload.h"
#include "indexed_test_support.h"

// The replacements below pair malloc with free, which GCC cannot see
// through once it inlines them into code that pairs new with delete.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

// Counts every allocation of the test program, so that a test can show that
// a stretch of code makes none.
namespace {
std::atomic<std::uint64_t> allocations{0};
}  // namespace
void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  allocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace lumra::artifacts::testing {
namespace {

std::vector<std::string> strings(const std::vector<std::string_view>& views) {
  return {views.begin(), views.end()};
}

const Entries kJapaneseEntries = {
    {"日本", {"にほん", "にっぽん"}}, {"日", {"ひ", "にち"}}, {"a", {"えー"}}, {"ab", {"あぶ"}}};

TEST(IndexedJapaneseTest, LooksUpWhatItHolds) {
  std::optional<Bytes> bytes = japanese().encode(kJapaneseEntries);
  ASSERT_TRUE(bytes);
  auto index = parse_indexed_payload(*bytes);
  ASSERT_TRUE(index.ok()) << ja::message(index.error());
  std::vector<std::string_view> readings;
  ASSERT_TRUE(index.value()->lookup("日本", readings).value());
  EXPECT_EQ(strings(readings), (std::vector<std::string>{"にほん", "にっぽん"}));
  for (std::string_view absent : {"日本語", "本", "", "b", "\xe6\x97"}) {
    EXPECT_FALSE(index.value()->lookup(absent, readings).value()) << absent;
    EXPECT_TRUE(readings.empty());
  }
  // Folding goes through the indexed lookup too: full-width "ａｂ".
  ASSERT_TRUE(index.value()->lookup_folded("ａｂ", readings).value());
  EXPECT_EQ(strings(readings), (std::vector<std::string>{"あぶ"}));
  EXPECT_EQ(index.value()->entry_count(), 4u);
  EXPECT_EQ(japanese().entries_of(*bytes), kJapaneseEntries);
}

TEST(IndexedJapaneseTest, LookupsAllocateNothingAndPointIntoThePayload) {
  RawPayload raw;
  raw.keys = {{"a", 0}, {"b", 0}, {"c", 9}};
  raw.readings = record({"x"}) + record({"yy", "z"});
  auto index = parse_indexed_payload(raw.bytes());
  ASSERT_TRUE(index.ok()) << ja::message(index.error());
  std::vector<std::string_view> first, second;
  first.reserve(8);
  second.reserve(8);
  const std::uint64_t before = allocations.load();
  bool found = index.value()->lookup("a", first).value() && index.value()->lookup("b", second).value();
  found = found && !index.value()->lookup("d", second).value();
  found = found && index.value()->lookup("c", second).value();
  const std::uint64_t made = allocations.load() - before;
  ASSERT_TRUE(found);
  EXPECT_EQ(made, 0u);
  EXPECT_EQ(strings(second), (std::vector<std::string>{"yy", "z"}));
  std::vector<std::string_view> again;
  ASSERT_TRUE(index.value()->lookup("b", again).value());
  EXPECT_EQ(first[0].data(), again[0].data()) << "a shared record is one set of bytes";
}

// Layouts our writer does not produce but the format allows.
TEST(IndexedLayoutTest, RecordsInAnyOrderSharedWithGapsAndBeyondTheirSection) {
  for (const Language& language : both_languages()) {
    RawPayload raw;
    raw.magic = language.magic;
    // "b" points past the readings section, into the bytes after it.
    const std::string gap = "\xff\xff";
    raw.readings = record({"ri", "ka"}) + gap + record({"to"});
    raw.tail = record({"mo"});
    raw.keys = {{"a", 18}, {"b", raw.readings.size()}, {"c", 0}, {"d", 0}};
    const Entries expected = {{"a", {"to"}}, {"b", {"mo"}}, {"c", {"ri", "ka"}}, {"d", {"ri", "ka"}}};
    EXPECT_EQ(language.entries_of(raw.bytes()), expected) << language.name;
  }
}

TEST(IndexedLayoutTest, EdgesThatLoad) {
  for (const Language& language : both_languages()) {
    RawPayload empty;
    empty.magic = language.magic;
    EXPECT_EQ(language.entries_of(empty.bytes()), Entries{}) << language.name;

    RawPayload longest;
    longest.magic = language.magic;
    std::vector<std::string> readings;
    // Letters only, which are normal in the no-tone view too.
    for (int i = 0; i < 256; ++i) {
      readings.push_back(std::string(16382, 'a') + static_cast<char>('a' + i % 26) +
                         static_cast<char>('a' + i / 26));
    }
    longest.keys = {{std::string(16384, 's'), 0}};
    longest.readings = record(readings);
    longest.tail = "x";  // one byte longer than its sections
    EXPECT_EQ(language.load_error(longest.bytes()), "loaded") << language.name;
  }
}

// Many surfaces sharing one large record: each record is checked once, so
// loading stays linear in the payload (checking it per surface would read
// 80 GB here).
TEST(IndexedLayoutTest, SharedRecordIsCheckedOnce) {
  for (const Language& language : both_languages()) {
    RawPayload raw;
    raw.magic = language.magic;
    std::vector<std::string> readings;
    for (int i = 0; i < 256; ++i) {
      readings.push_back(std::string(16382, 'r') + static_cast<char>('a' + i % 26) +
                         static_cast<char>('a' + i / 26));
    }
    raw.readings = record(readings);
    for (int i = 0; i < 20000; ++i) raw.keys[std::to_string(i)] = 0;
    EXPECT_EQ(language.load_error(raw.bytes()), "loaded") << language.name;
  }
}

TEST(IndexedChineseTest, KeepsItsViewAndGivesThePayloadBack) {
  zh::ZhReadingIndexPayload payload{1, std::string(zh::kZhPayloadType), "tone3",
                                    {{"行", {"xing2", "hang2"}}, {"中国", {"zhong1guo2"}}, {"A", {"a1"}}}};
  auto bytes = encode_zh_indexed_payload(payload);
  ASSERT_TRUE(bytes.ok()) << message(bytes.error());
  auto index = parse_zh_indexed_payload(bytes.value());
  ASSERT_TRUE(index.ok()) << zh::message(index.error());
  EXPECT_EQ(index.value()->view(), zh::PinyinView::kTone3);
  auto back = zh::to_payload(*index.value());
  ASSERT_TRUE(back.ok());
  EXPECT_EQ(back.value().pinyin_view, "tone3");
  ASSERT_EQ(back.value().entries.size(), 3u);
  // Byte order: Latin before Han.
  EXPECT_EQ(back.value().entries[0].surface, "A");
  EXPECT_EQ(back.value().entries[1].surface, "中国");
  EXPECT_EQ(back.value().entries[2].readings, (std::vector<std::string>{"xing2", "hang2"}));
  std::vector<std::string_view> readings;
  ASSERT_TRUE(index.value()->read_readings_record(0, readings).ok());
  EXPECT_EQ(strings(readings), (std::vector<std::string>{"a1"}));
  EXPECT_EQ(zh::message(index.value()->read_readings_record(1u << 20, readings).error()),
            "invalid zh indexed artifact readings offset 1048576");
}

TEST(IndexedWriterTest, RefusesWhatTheLoaderWouldRefuse) {
  ja::UnidicReadingIndexPayload duplicate{
      1, std::string(ja::kUnidicPayloadType), {{"a", {"x"}}, {"b", {"y"}}, {"a", {"z"}}}};
  auto bytes = encode_indexed_payload(duplicate);
  ASSERT_FALSE(bytes.ok());
  EXPECT_EQ(message(bytes.error()), "UniDic artifact payload has duplicate surface \"a\"");
  zh::ZhReadingIndexPayload not_normal{1, std::string(zh::kZhPayloadType), "normal", {{"行", {"xing2"}}}};
  auto zh_bytes = encode_zh_indexed_payload(not_normal);
  ASSERT_FALSE(zh_bytes.ok());
  EXPECT_EQ(message(zh_bytes.error()),
            "zh artifact payload surface \"行\" has non-normalized reading \"xing2\"; expected \"xing\"");
}

TEST(IndexedWriterTest, WritesFilesThatLoadAndReportsWhereItCannot) {
  TempDir dir;
  ja::UnidicReadingIndexPayload payload{1, std::string(ja::kUnidicPayloadType), {{"日", {"ひ"}}}};
  const std::string path = dir.path() + "/ja.indexed";
  ASSERT_TRUE(write_indexed_payload(payload, path).ok());
  EXPECT_EQ(japanese().file_load_error(path), "loaded");
  auto refused = write_indexed_payload(payload, dir.path());
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(message(refused.error()),
            "failed to write UniDic indexed artifact payload: Is a directory (os error 21)");
  zh::ZhReadingIndexPayload zh_payload{1, std::string(zh::kZhPayloadType), "no-tone", {{"中", {"zhong"}}}};
  ASSERT_TRUE(write_zh_indexed_payload(zh_payload, dir.path() + "/zh.indexed").ok());
  EXPECT_EQ(chinese().file_load_error(dir.path() + "/zh.indexed"), "loaded");
  auto zh_refused = write_zh_indexed_payload(zh_payload, dir.path() + "/none/zh.indexed");
  ASSERT_FALSE(zh_refused.ok());
  EXPECT_EQ(message(zh_refused.error()),
            "failed to write zh indexed artifact payload: No such file or directory (os error 2)");
}

// Loading by format name: the file each name should reach, or the message.
struct FormatCase {
  std::string format;
  std::string file;  // "yaml" or "indexed"
  std::string japanese;
  std::string chinese;
};

class PayloadFormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(PayloadFormatTest, ChoosesTheLoaderByExactName) {
  TempDir dir;
  const FormatCase& c = GetParam();
  const bool yaml = c.file == "yaml";
  const std::string ja_yaml =
      "schema_version: 1\npayload_type: lumra.unidic.reading-index.surface-readings\n"
      "entries: [{surface: 日, readings: [ひ]}]\n";
  const std::string zh_yaml =
      "schema_version: 1\npayload_type: lumra.zh.reading-index.surface-readings\n"
      "pinyin_view: no-tone\nentries: [{surface: 日, readings: [ri]}]\n";
  const std::string ja_path =
      yaml ? dir.write("ja", Bytes(ja_yaml.begin(), ja_yaml.end()))
           : dir.write("ja", *japanese().encode({{"日", {"ひ"}}}));
  const std::string zh_path =
      yaml ? dir.write("zh", Bytes(zh_yaml.begin(), zh_yaml.end()))
           : dir.write("zh", *chinese().encode({{"日", {"ri"}}}));
  auto ja_index = load_japanese_payload(ja_path, c.format);
  auto zh_index = load_chinese_payload(zh_path, c.format);
  EXPECT_EQ(ja_index.ok() ? "loaded" : message(ja_index.error()), c.japanese);
  EXPECT_EQ(zh_index.ok() ? "loaded" : zh::message(zh_index.error()), c.chinese);
  if (ja_index.ok()) {
    std::vector<std::string_view> readings;
    ASSERT_TRUE(ja_index.value()->lookup("日", readings).value());
    EXPECT_EQ(strings(readings), (std::vector<std::string>{"ひ"}));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Names, PayloadFormatTest,
    ::testing::Values(
        FormatCase{"yaml", "yaml", "loaded", "loaded"},
        FormatCase{"yaml.surface-readings.v1", "yaml", "loaded", "loaded"},
        FormatCase{"indexed", "indexed", "loaded", "loaded"},
        FormatCase{"fst", "indexed", "loaded", "loaded"},
        FormatCase{"indexed-fst.surface-readings.v1", "indexed", "loaded", "loaded"},
        // A name picks the reader; the file does not.
        FormatCase{"indexed", "yaml",
                   "invalid UniDic indexed artifact magic [115, 99, 104, 101, 109, 97, 95, 118]",
                   "invalid zh indexed artifact magic [115, 99, 104, 101, 109, 97, 95, 118]"},
        FormatCase{"Indexed", "indexed",
                   "unsupported payload_format \"Indexed\"; expected 'yaml', 'binary', or 'indexed'",
                   "unsupported payload_format \"Indexed\"; expected 'yaml' or 'indexed'"},
        FormatCase{"indexed-fst", "indexed",
                   "unsupported payload_format \"indexed-fst\"; expected 'yaml', 'binary', or 'indexed'",
                   "unsupported payload_format \"indexed-fst\"; expected 'yaml' or 'indexed'"},
        FormatCase{"", "yaml", "unsupported payload_format \"\"; expected 'yaml', 'binary', or 'indexed'",
                   "unsupported payload_format \"\"; expected 'yaml' or 'indexed'"}),
    [](const auto& info) {
      std::string name = info.param.format + "_" + info.param.file;
      for (char& c : name) if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      return name;
    });

}  // namespace
}  // namespace lumra::artifacts::testing
