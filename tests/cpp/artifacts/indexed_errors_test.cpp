// Every way an indexed payload can be refused, with its exact message, for
// both languages (the layout and the checks are shared; the messages differ
// only in how they name the language), then the checks each language has of
// its own.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <limits>
#include <ostream>

#include "artifacts/indexed/payload_bytes.h"
#include "indexed_test_support.h"

namespace lumra::artifacts::testing {
namespace {

constexpr std::uint64_t kMax64 = std::numeric_limits<std::uint64_t>::max();

// One surface "a" with the reading "ka" (normal in either Chinese view).
RawPayload valid(const std::string& magic) {
  RawPayload raw;
  raw.magic = magic;
  raw.keys = {{"a", 0}};
  raw.readings = record({"ka"});
  return raw;
}

// `readings` as the record of the one surface `surface`.
RawPayload one_entry(const std::string& magic, const std::string& surface, std::string readings,
                     std::uint64_t offset = 0) {
  RawPayload raw = valid(magic);
  raw.keys = {{surface, offset}};
  raw.readings = std::move(readings);
  return raw;
}

struct LayoutCase {
  std::string name;
  std::function<Bytes(const std::string& magic)> bytes;
  std::string message;  // in Japanese terms
};

Bytes first_bytes(const Bytes& bytes, std::size_t count) { return Bytes(bytes.begin(), bytes.begin() + count); }

const std::vector<LayoutCase>& layout_cases() {
  using M = const std::string&;
  static const std::vector<LayoutCase> cases = {
      {"Header39Bytes", [](M m) { return first_bytes(valid(m).bytes(), 39); },
       "truncated UniDic indexed artifact while reading header"},
      {"BinaryMagic", [](M m) { RawPayload r = valid(m); r.magic = "LUMRAU01"; return r.bytes(); },
       "invalid UniDic indexed artifact magic [76, 85, 77, 82, 65, 85, 48, 49]"},
      {"MagicBeforeVersion",
       [](M m) {
         RawPayload r = valid(m);
         r.magic = std::string("\0\x01\x7f\x80 az\xff", 8);
         r.version = 9;
         return r.bytes();
       },
       "invalid UniDic indexed artifact magic [0, 1, 127, 128, 32, 97, 122, 255]"},
      {"Version2", [](M m) { RawPayload r = valid(m); r.version = 2; return r.bytes(); },
       "unsupported UniDic indexed artifact version 2"},
      {"FstLengthOverflows",
       [](M m) { RawPayload r = valid(m); r.fst_length = kMax64 - 39; return r.bytes(); },
       "truncated UniDic indexed artifact while reading fst_section"},
      {"FstLengthAtTheEdge",
       [](M m) {
         RawPayload r = valid(m);
         r.fst_length = kMax64 - 40;
         r.readings_length = 1;
         return r.bytes();
       },
       "truncated UniDic indexed artifact while reading readings_section"},
      {"ReadingsLengthOverflows",
       [](M m) { RawPayload r = valid(m); r.readings_length = kMax64; return r.bytes(); },
       "truncated UniDic indexed artifact while reading readings_section"},
      {"OneByteShort",
       [](M m) { RawPayload r = valid(m); r.readings_length = r.readings.size() + 1; return r.bytes(); },
       "truncated UniDic indexed artifact while reading indexed_payload"},
      {"EmptyFstSection",
       [](M m) {
         RawPayload r = valid(m);
         r.fst = Bytes{};
         r.readings.clear();
         return r.bytes();
       },
       "invalid UniDic indexed artifact FST: FST error"},
      {"GarbageFst", [](M m) { RawPayload r = valid(m); r.fst = Bytes(64, 0xAB); return r.bytes(); },
       "invalid UniDic indexed artifact FST: FST error"},
      {"HeaderCountAboveFst",
       [](M m) {
         RawPayload r = valid(m);
         r.keys = {{"a", 0}, {"b", 0}, {"c", 0}, {"d", 0}};
         r.entry_count = 5;
         return r.bytes();
       },
       "UniDic indexed artifact header entry count 5 does not match FST entry count 4"},
      {"HeaderCountBelowFst",
       [](M m) { RawPayload r = valid(m); r.keys["b"] = 0; r.entry_count = 1; return r.bytes(); },
       "UniDic indexed artifact header entry count 1 does not match FST entry count 2"},
      {"KeyNotUtf8", [](M m) { return one_entry(m, "\xff", record({"ka"})).bytes(); },
       "invalid UTF-8 in UniDic indexed artifact surface: invalid utf-8 sequence of 1 bytes from "
       "index 0"},
      {"KeyEndsInsideCharacter",
       [](M m) { return one_entry(m, "ab\xe6\x97", record({"ka"})).bytes(); },
       "invalid UTF-8 in UniDic indexed artifact surface: incomplete utf-8 byte sequence from "
       "index 2"},
      {"KeyCheckedBeforeRecord",
       [](M m) { return one_entry(m, "\xc3\x28", record({"ka"}), 999).bytes(); },
       "invalid UTF-8 in UniDic indexed artifact surface: invalid utf-8 sequence of 1 bytes from "
       "index 0"},
      {"EmptyKey",
       [](M m) {
         RawPayload r = valid(m);
         r.keys = {{"", 999}, {"a", 0}};
         return r.bytes();
       },
       "UniDic artifact payload entry 0 has an empty surface"},
      {"KeyOverLimit", [](M m) { return one_entry(m, std::string(16385, 'k'), "", 5).bytes(); },
       "UniDic artifact surface_bytes length/count 16385 exceeds limit 16384"},
      {"OffsetAtTheEnd",
       [](M m) { RawPayload r = valid(m); r.keys = {{"a", r.readings.size()}}; return r.bytes(); },
       "invalid UniDic indexed artifact readings offset 10"},
      {"OffsetOverflows", [](M m) { return one_entry(m, "a", record({"ka"}), kMax64).bytes(); },
       "invalid UniDic indexed artifact readings offset 18446744073709551615"},
      {"TwoBytesBeforeTheEnd",
       [](M m) { return one_entry(m, "a", record({"ka"}) + "xx", 10).bytes(); },
       "truncated UniDic indexed artifact while reading reading_count"},
      {"ReadingCountOverLimit", [](M m) { return one_entry(m, "a", le(257, 4)).bytes(); },
       "UniDic artifact reading_count length/count 257 exceeds limit 256"},
      {"NoRoomForReadingLength",
       [](M m) { return one_entry(m, "a", le(2, 4) + le(2, 4) + "ka" + "xyz").bytes(); },
       "truncated UniDic indexed artifact while reading reading_len"},
      {"ReadingOverLimit",
       [](M m) { return one_entry(m, "a", le(1, 4) + le(16385, 4)).bytes(); },
       "UniDic artifact reading_bytes length/count 16385 exceeds limit 16384"},
      {"ReadingRunsPastTheEnd",
       [](M m) { return one_entry(m, "a", le(1, 4) + le(10, 4) + "abc").bytes(); },
       "truncated UniDic indexed artifact while reading reading"},
      {"ReadingNotUtf8", [](M m) { return one_entry(m, "a", record({"k\xff"})).bytes(); },
       "invalid UTF-8 in UniDic indexed artifact reading: invalid utf-8 sequence of 1 bytes from "
       "index 1"},
      {"ReadingEndsInsideCharacter",
       [](M m) { return one_entry(m, "a", record({"ka", "\xe3\x81"})).bytes(); },
       "invalid UTF-8 in UniDic indexed artifact reading: incomplete utf-8 byte sequence from "
       "index 0"},
      {"RecordDecodedBeforeItsReadingsAreChecked",
       [](M m) { return one_entry(m, "a", record({"", "\xff"})).bytes(); },
       "invalid UTF-8 in UniDic indexed artifact reading: invalid utf-8 sequence of 1 bytes from "
       "index 0"},
      {"NoReadings", [](M m) { return one_entry(m, "a\tb", record({})).bytes(); },
       "UniDic artifact payload surface \"a\\tb\" has no readings"},
      {"EmptyReading", [](M m) { return one_entry(m, "a", record({"ka", "", "ka"})).bytes(); },
       "UniDic artifact payload surface \"a\" has an empty reading at index 1"},
      {"DuplicateReading",
       [](M m) { return one_entry(m, "\"q\"", record({"ka", "ri", "ka", ""})).bytes(); },
       "UniDic artifact payload surface \"\\\"q\\\"\" has duplicate reading \"ka\""},
      {"DuplicateAmongManyReadings",
       [](M m) {
         std::vector<std::string> readings;
         for (char c = 'a'; c <= 't'; ++c) readings.push_back(std::string(2, c));
         readings.push_back("ff");
         return one_entry(m, "a", record(readings)).bytes();
       },
       "UniDic artifact payload surface \"a\" has duplicate reading \"ff\""},
      {"FirstKeyDecides",
       [](M m) {
         RawPayload r = valid(m);
         r.keys = {{"a", 0}, {"b", 999}};
         r.readings = record({});
         return r.bytes();
       },
       "UniDic artifact payload surface \"a\" has no readings"},
      {"SharedRecordNamesTheFirstKey",
       [](M m) {
         RawPayload r = valid(m);
         r.keys = {{"a", 0}, {"b", 0}};
         r.readings = record({"ka", "ka"});
         return r.bytes();
       },
       "UniDic artifact payload surface \"a\" has duplicate reading \"ka\""},
      {"LaterKeyFails",
       [](M m) {
         RawPayload r = valid(m);
         r.keys = {{"a", 0}, {"b", 0}, {"c", 10}};
         r.readings = record({"ka"}) + le(1, 4) + "zz";
         return r.bytes();
       },
       "truncated UniDic indexed artifact while reading reading_len"},
  };
  return cases;
}

class IndexedLayoutErrorTest
    : public ::testing::TestWithParam<std::tuple<Language, LayoutCase>> {};

TEST_P(IndexedLayoutErrorTest, FailsWithTheExactMessage) {
  const auto& [language, c] = GetParam();
  EXPECT_EQ(language.load_error(c.bytes(language.magic)), language.expect(c.message));
}

INSTANTIATE_TEST_SUITE_P(
    BothLanguages, IndexedLayoutErrorTest,
    ::testing::Combine(::testing::ValuesIn(both_languages()), ::testing::ValuesIn(layout_cases())),
    [](const auto& info) {
      return std::get<0>(info.param).name + "_" + std::get<1>(info.param).name;
    });

struct LanguageCase {
  std::string name;
  std::function<Bytes()> bytes;
  std::string message;
  friend void PrintTo(const LanguageCase& c, std::ostream* os) { *os << c.name; }
};

class JapaneseIndexedErrorTest : public ::testing::TestWithParam<LanguageCase> {};
class ChineseIndexedErrorTest : public ::testing::TestWithParam<LanguageCase> {};

TEST_P(JapaneseIndexedErrorTest, FailsWithTheExactMessage) {
  EXPECT_EQ(japanese().load_error(GetParam().bytes()), GetParam().message);
}
TEST_P(ChineseIndexedErrorTest, FailsWithTheExactMessage) {
  EXPECT_EQ(chinese().load_error(GetParam().bytes()), GetParam().message);
}

auto case_name = [](const auto& info) { return info.param.name; };

INSTANTIATE_TEST_SUITE_P(
    Header, JapaneseIndexedErrorTest,
    ::testing::Values(
        LanguageCase{"ReservedWord1",
                     [] { RawPayload r = valid("LUMRAI01"); r.header_word = 1; return r.bytes(); },
                     "UniDic indexed artifact reserved header field is 1"},
        LanguageCase{"ReservedWordBeforeEntryCount",
                     [] {
                       RawPayload r = valid("LUMRAI01");
                       r.header_word = 0xFFFFFFFF;
                       r.entry_count = kMax64;
                       return r.bytes();
                     },
                     "UniDic indexed artifact reserved header field is 4294967295"},
        // The limit is checked before the sections are looked at.
        LanguageCase{"EntryCountOverLimit",
                     [] {
                       RawPayload r = valid("LUMRAI01");
                       r.entry_count = 3000001;
                       r.fst_length = kMax64;
                       return r.bytes();
                     },
                     "UniDic artifact entry_count length/count 3000001 exceeds limit 3000000"},
        LanguageCase{"EntryCountAtLimit",
                     [] { RawPayload r = valid("LUMRAI01"); r.entry_count = 3000000; return r.bytes(); },
                     "UniDic indexed artifact header entry count 3000000 does not match FST entry "
                     "count 1"}),
    case_name);

RawPayload chinese_entry(std::uint32_t view, const std::vector<std::string>& readings) {
  RawPayload r = one_entry("LUMRAZ01", "行", record(readings));
  r.header_word = view;
  return r;
}

INSTANTIATE_TEST_SUITE_P(
    HeaderAndReadings, ChineseIndexedErrorTest,
    ::testing::Values(
        LanguageCase{"PinyinView2",
                     [] { RawPayload r = valid("LUMRAZ01"); r.header_word = 2; return r.bytes(); },
                     "unsupported zh indexed artifact pinyin view 2"},
        LanguageCase{"JapaneseMagic",
                     [] { RawPayload r = valid("LUMRAI01"); r.header_word = 9; return r.bytes(); },
                     "invalid zh indexed artifact magic [76, 85, 77, 82, 65, 73, 48, 49]"},
        LanguageCase{"EntryCountOverLimit",
                     [] {
                       RawPayload r = valid("LUMRAZ01");
                       r.entry_count = 2000001;
                       r.fst_length = kMax64;
                       return r.bytes();
                     },
                     "zh artifact entry_count length/count 2000001 exceeds limit 2000000"},
        LanguageCase{"ToneDigitInNoTone", [] { return chinese_entry(0, {"xing2"}).bytes(); },
                     "zh artifact payload surface \"行\" has non-normalized reading \"xing2\"; "
                     "expected \"xing\""},
        LanguageCase{"CapitalInTone3", [] { return chinese_entry(1, {"xing2", "Hang2"}).bytes(); },
                     "zh artifact payload surface \"行\" has non-normalized reading \"Hang2\"; "
                     "expected \"hang2\""},
        LanguageCase{"OnlyWhiteSpace", [] { return chinese_entry(1, {" "}).bytes(); },
                     "zh artifact payload surface \"行\" has non-normalized reading \" \"; "
                     "expected \"\""},
        // Per reading: empty, then normal form, then repetition.
        LanguageCase{"EmptyBeforeNormalForm", [] { return chinese_entry(1, {"", "X"}).bytes(); },
                     "zh artifact payload surface \"行\" has an empty reading at index 0"},
        LanguageCase{"NormalFormBeforeRepetition",
                     [] { return chinese_entry(1, {"xing2", "Xing2"}).bytes(); },
                     "zh artifact payload surface \"行\" has non-normalized reading \"Xing2\"; "
                     "expected \"xing2\""},
        LanguageCase{"RepetitionBeforeLaterNormalForm",
                     [] { return chinese_entry(1, {"xing2", "xing2", "X"}).bytes(); },
                     "zh artifact payload surface \"行\" has duplicate reading \"xing2\""}),
    case_name);

TEST(IndexedChineseViewTest, ToneDigitsLoadInTone3) {
  EXPECT_EQ(chinese().load_error(chinese_entry(1, {"xing2", "hang2"}).bytes()), "loaded");
}

class IndexedFileErrorTest : public ::testing::TestWithParam<Language> {};

TEST_P(IndexedFileErrorTest, DirectoryIsNotARegularFile) {
  TempDir dir;
  EXPECT_EQ(GetParam().file_load_error(dir.path()),
            GetParam().expect(
                "failed to read UniDic artifact payload: artifact payload path is not a regular file"));
}

TEST_P(IndexedFileErrorTest, MissingFile) {
  TempDir dir;
  EXPECT_EQ(GetParam().file_load_error(dir.path() + "/missing"),
            GetParam().expect(
                "failed to read UniDic artifact payload: No such file or directory (os error 2)"));
}

TEST_P(IndexedFileErrorTest, OversizedFileFailsBeforeItIsRead) {
  TempDir dir;
  const std::string path = dir.write("big", valid(GetParam().magic).bytes());
  ASSERT_EQ(::truncate(path.c_str(), 536870913), 0);  // sparse: no disk used
  EXPECT_EQ(GetParam().file_load_error(path),
            GetParam().expect(
                "UniDic artifact payload_bytes length/count 536870913 exceeds limit 536870912"));
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, IndexedFileErrorTest,
                         ::testing::ValuesIn(both_languages()),
                         [](const auto& info) { return info.param.name; });

// Files of a few chunks, read whole, and the limit applied to what was read.
TEST(ReadPayloadBytesTest, ReadsAcrossChunksAndAppliesTheLimit) {
  TempDir dir;
  Bytes content(3 * kPayloadReadChunk + 5);
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<std::uint8_t>(i * 7);
  const std::string path = dir.write("chunks", content);
  auto whole = read_payload_bytes(path, content.size());
  ASSERT_TRUE(whole.ok());
  EXPECT_EQ(whole.value(), content);
  auto over = read_payload_bytes(path, content.size() - 1);
  ASSERT_FALSE(over.ok());
  ASSERT_TRUE(std::holds_alternative<payload::FileTooLarge>(over.error()));
  EXPECT_EQ(std::get<payload::FileTooLarge>(over.error()).size, content.size());
  EXPECT_TRUE(std::holds_alternative<NotRegularFile>(read_payload_bytes("/dev/null", 10).error()));
  EXPECT_TRUE(std::holds_alternative<payload::FileOsError>(
      read_payload_bytes(std::string("a\0b", 3), 10).error()));
}

}  // namespace
}  // namespace lumra::artifacts::testing
