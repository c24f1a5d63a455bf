#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <ostream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "ja/unidic/binary_payload.h"
#include "ja/unidic/binary_payload_writer.h"
#include "ja/unidic/canonical_checksum.h"
#include "ja/unidic/load_payload.h"
#include "ja/unidic/map_reading_index.h"
#include "ja/unidic/yaml_payload.h"
#include "largest_allocation.h"

namespace lumra::ja {
namespace {

// Binary payloads written field by field, so that a test can stop or go
// wrong anywhere.
struct Bytes {
  std::string data;

  Bytes& raw(std::string_view bytes) {
    data += bytes;
    return *this;
  }
  Bytes& u32(std::uint32_t value) { return little_endian(value, 4); }
  Bytes& u64(std::uint64_t value) { return little_endian(value, 8); }
  Bytes& text(std::string_view text) {
    return u32(static_cast<std::uint32_t>(text.size())).raw(text);
  }
  Bytes& entry(std::string_view surface, std::initializer_list<std::string_view> readings) {
    text(surface).u32(static_cast<std::uint32_t>(readings.size()));
    for (std::string_view reading : readings) text(reading);
    return *this;
  }

 private:
  Bytes& little_endian(std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i) data += static_cast<char>(value >> (8 * i) & 0xFF);
    return *this;
  }
};

Bytes header(std::uint64_t entry_count) {
  return Bytes().raw("LUMRAU01").u32(1).u32(0).u64(entry_count);
}

std::string outcome(const Result<std::unique_ptr<UnidicReadingIndex>, UnidicLoadError>& index) {
  if (!index.ok()) return message(index.error());
  return "loaded " + std::to_string(index.value()->entry_count());
}

struct DecodeCase {
  std::string name;
  std::string bytes;
  std::string outcome;
  friend void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name; }
};

class UnidicBinaryDecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(UnidicBinaryDecodeTest, DecodesOrFailsWithTheExactMessage) {
  EXPECT_EQ(outcome(decode_binary_payload(GetParam().bytes)), GetParam().outcome);
}

const std::string kTruncated = "truncated UniDic binary artifact while reading ";

INSTANTIATE_TEST_SUITE_P(
    Fields, UnidicBinaryDecodeTest,
    ::testing::Values(
        DecodeCase{"ThreeBytes", "LUM", kTruncated + "magic"},
        DecodeCase{"IndexedMagic", Bytes().raw("LUMRAI01").u32(1).u32(0).u64(0).data,
                   "invalid UniDic binary artifact magic [76, 85, 77, 82, 65, 73, 48, 49]"},
        DecodeCase{"WrongMagicOnShortFile", "\x01\x02\x03\x04\x05\x06\x07\xff",
                   "invalid UniDic binary artifact magic [1, 2, 3, 4, 5, 6, 7, 255]"},
        DecodeCase{"ShortVersion", "LUMRAU01\x01", kTruncated + "version"},
        DecodeCase{"Version2", Bytes().raw("LUMRAU01").u32(2).data,
                   "unsupported UniDic binary artifact version 2"},
        DecodeCase{"ShortReserved", Bytes().raw("LUMRAU01").u32(1).raw("\0\0\0").data,
                   kTruncated + "reserved"},
        DecodeCase{"Reserved7", Bytes().raw("LUMRAU01").u32(1).u32(7).data,
                   "UniDic binary artifact reserved header field is 7"},
        DecodeCase{"ShortEntryCount", Bytes().raw("LUMRAU01").u32(1).u32(0).u32(1).data,
                   kTruncated + "entry_count"},
        DecodeCase{"EntryCountOverLimitInShortFile", header(3000001).data,
                   "UniDic artifact entry_count length/count 3000001 exceeds limit 3000000"},
        DecodeCase{"EntryCountAtLimitInShortFile", header(3000000).data, kTruncated + "surface"},
        DecodeCase{"MissingSurfaceLength", header(1).raw("\x01").data, kTruncated + "surface"},
        DecodeCase{"ShortSurface", header(1).u32(5).raw("ab").data, kTruncated + "surface"},
        DecodeCase{"SurfaceOverLimit", header(1).u32(16385).data,
                   "UniDic artifact surface length/count 16385 exceeds limit 16384"},
        DecodeCase{"HugeSurfaceLength", header(1).u32(0xFFFFFFFF).data,
                   "UniDic artifact surface length/count 4294967295 exceeds limit 16384"},
        DecodeCase{"SurfaceNotUtf8", header(1).text("a\xff").data,
                   "invalid UTF-8 in UniDic binary artifact surface: invalid utf-8 sequence of 1 "
                   "bytes from index 1"},
        DecodeCase{"SurfaceCutInsideCharacter", header(1).text("\xe6\x97\xa5\xe6\x9c").data,
                   "invalid UTF-8 in UniDic binary artifact surface: incomplete utf-8 byte "
                   "sequence from index 3"},
        DecodeCase{"MissingReadingCount", header(1).text("x").data, kTruncated + "reading_count"},
        DecodeCase{"ReadingCountOverLimit", header(1).text("x").u32(257).data,
                   "UniDic artifact reading_count length/count 257 exceeds limit 256"},
        DecodeCase{"MissingSecondReading", header(1).text("x").u32(2).text("a").data,
                   kTruncated + "reading"},
        DecodeCase{"EndsInsideSecondReading",
                   header(1).text("x").u32(2).text("a").u32(3).raw("b").data,
                   kTruncated + "reading"},
        DecodeCase{"ReadingOverLimit", header(1).text("x").u32(1).u32(16385).data,
                   "UniDic artifact reading length/count 16385 exceeds limit 16384"},
        DecodeCase{"ReadingNotUtf8", header(1).text("x").u32(1).text("\xe3\x81" "a").data,
                   "invalid UTF-8 in UniDic binary artifact reading: invalid utf-8 sequence of 2 "
                   "bytes from index 0"},
        DecodeCase{"ReadingCutInsideCharacter",
                   header(1).text("x").u32(1).text("\xe3\x81\x82\xe3\x81").data,
                   "invalid UTF-8 in UniDic binary artifact reading: incomplete utf-8 byte "
                   "sequence from index 3"}));

INSTANTIATE_TEST_SUITE_P(
    Entries, UnidicBinaryDecodeTest,
    ::testing::Values(
        DecodeCase{"NoEntries", header(0).data, "loaded 0"},
        DecodeCase{"TrailingBytesIgnored",
                   header(1).entry("日本", {"にほん", "にっぽん"}).raw("LUMRAU01\xff").data,
                   "loaded 1"},
        DecodeCase{"LimitsAreInclusive",
                   header(1).entry(std::string(16384, 's'), {std::string(16384, 'r')}).data,
                   "loaded 1"},
        DecodeCase{"NoReadings", header(1).entry("x", {}).data,
                   "UniDic artifact payload surface \"x\" has no readings"},
        DecodeCase{"EmptySecondSurface", header(2).entry("a", {"x"}).entry("", {"x"}).data,
                   "UniDic artifact payload entry 1 has an empty surface"},
        DecodeCase{"EmptyReading", header(1).entry("a", {"x", "", "y"}).data,
                   "UniDic artifact payload surface \"a\" has an empty reading at index 1"},
        DecodeCase{"DuplicateReading", header(1).entry("a", {"x", "x"}).data,
                   "UniDic artifact payload surface \"a\" has duplicate reading \"x\""},
        DecodeCase{"DuplicateSurface", header(2).entry("a", {"x"}).entry("a", {"y"}).data,
                   "UniDic artifact payload has duplicate surface \"a\""},
        // The whole file decodes before any entry is validated.
        DecodeCase{"TruncationAfterInvalidEntry", header(2).entry("", {"x"}).u32(1).data,
                   kTruncated + "surface"},
        DecodeCase{"BadUtf8AfterInvalidEntry", header(2).entry("a", {"y", "y"}).text("\xff").data,
                   "invalid UTF-8 in UniDic binary artifact surface: invalid utf-8 sequence of 1 "
                   "bytes from index 0"},
        DecodeCase{"LimitAfterInvalidEntry", header(2).entry("", {}).u32(16385).data,
                   "UniDic artifact surface length/count 16385 exceeds limit 16384"},
        DecodeCase{"ReadingCountAfterInvalidEntry",
                   header(3).entry("a", {}).entry("a", {"x"}).text("b").u32(257).data,
                   "UniDic artifact reading_count length/count 257 exceeds limit 256"}));

TEST(UnidicBinaryDecodeTest, SizesNothingByTheLengthsAndCountsOfASmallFile) {
  for (const std::string& bytes : {header(3000000).entry("a", {"b"}).data,
                                   header(3000001).data, header(1).u32(0xFFFFFFFF).data,
                                   header(1).text("x").u32(0xFFFFFFFF).data}) {
    test_support::LargestAllocation largest;
    EXPECT_FALSE(decode_binary_payload(bytes).ok());
    EXPECT_LT(largest.bytes(), 256u * 1024) << outcome(decode_binary_payload(bytes));
  }
}

// Random payloads with surfaces that are prefixes of each other, characters
// of one to four bytes and characters YAML has to escape.
UnidicReadingIndexPayload random_payload(std::mt19937& rng, int entries) {
  static const std::vector<std::string> kSurfaceChars = {
      "a", "b", "\"", "\\", ":", "#", " ", "é", "日", "本", "ｱ", "Ａ", "𠀋"};
  static const std::vector<std::string> kReadingChars = {"あ", "い", "ん", "ー", "a", "'"};
  auto text = [&](const std::vector<std::string>& chars, int max_length) {
    std::string out;
    for (int n = 1 + rng() % max_length; n > 0; --n) out += chars[rng() % chars.size()];
    return out;
  };
  UnidicReadingIndexPayload payload{1, std::string(kUnidicPayloadType), {}};
  std::set<std::string> surfaces;
  while (static_cast<int>(payload.entries.size()) < entries) {
    std::string surface = text(kSurfaceChars, 4);
    if (!surfaces.insert(surface).second) continue;
    UnidicReadingIndexPayloadEntry entry{surface, {}};
    for (int wanted = 1 + rng() % 4; static_cast<int>(entry.readings.size()) < wanted;) {
      std::string reading = text(kReadingChars, 5);
      if (std::find(entry.readings.begin(), entry.readings.end(), reading) ==
          entry.readings.end()) {
        entry.readings.push_back(reading);
      }
    }
    payload.entries.push_back(std::move(entry));
  }
  return payload;
}

std::string yaml_quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string to_yaml(const UnidicReadingIndexPayload& payload) {
  std::string out = "schema_version: 1\npayload_type: " + std::string(kUnidicPayloadType) +
                    "\nentries:\n";
  for (const UnidicReadingIndexPayloadEntry& entry : payload.entries) {
    out += "- surface: " + yaml_quoted(entry.surface) + "\n  readings:\n";
    for (const std::string& reading : entry.readings) out += "  - " + yaml_quoted(reading) + "\n";
  }
  return out;
}

using Entries = std::vector<std::pair<std::string, std::vector<std::string>>>;

Entries canonical_entries(const UnidicReadingIndex& index) {
  Entries entries;
  EXPECT_TRUE(index
                  .for_each_canonical_entry([&](std::string_view surface, const auto& readings) {
                    entries.emplace_back(surface, std::vector<std::string>(readings.begin(),
                                                                           readings.end()));
                  })
                  .ok());
  return entries;
}

TEST(UnidicBinaryRoundTripTest, LoadsTheEntriesTheYamlPayloadLoads) {
  std::mt19937 rng(12);
  for (int round = 0; round < 30; ++round) {
    UnidicReadingIndexPayload payload = random_payload(rng, 1 + round * 7);
    auto bytes = encode_binary_payload(payload);
    ASSERT_TRUE(bytes.ok()) << message(bytes.error());
    auto binary = decode_binary_payload(bytes.value());
    auto yaml = parse_yaml_payload(to_yaml(payload));
    ASSERT_TRUE(binary.ok()) << message(binary.error());
    ASSERT_TRUE(yaml.ok()) << message(yaml.error());

    Entries expected;
    for (const auto& entry : payload.entries) expected.emplace_back(entry.surface, entry.readings);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(canonical_entries(*binary.value()), expected);
    EXPECT_EQ(canonical_entries(*yaml.value()), expected);
    std::vector<std::string_view> from_binary, from_yaml;
    for (const auto& entry : payload.entries) {
      for (const std::string& surface : {entry.surface, entry.surface + "a"}) {
        bool found = binary.value()->lookup(surface, from_binary).value();
        EXPECT_EQ(found, yaml.value()->lookup(surface, from_yaml).value());
        EXPECT_EQ(from_binary, from_yaml);
      }
    }
  }
}

TEST(UnidicBinaryWriterTest, RefusesWhatTheLoaderWouldRefuseWhileDecoding) {
  UnidicReadingIndexPayload payload{1, std::string(kUnidicPayloadType), {{"x", {"\xc3"}}}};
  auto refused = [&] {
    auto bytes = encode_binary_payload(payload);
    return bytes.ok() ? "encoded" : message(bytes.error());
  };
  EXPECT_EQ(refused(), "invalid UTF-8 in UniDic binary artifact reading: incomplete utf-8 byte "
                       "sequence from index 0");
  payload.entries[0] = {"", {}};  // decodes; validation is the loader's
  EXPECT_EQ(refused(), "encoded");
  payload.schema_version = 2;  // the file has no room for it
  EXPECT_EQ(refused(), "unsupported UniDic artifact payload schema version 2");
}

// Damaged copies of a valid payload load or fail with a message, never
// crash (run under the sanitizers to see more than crashes). A file cut
// short anywhere before its end is truncated.
TEST(UnidicBinaryFuzzTest, DamagedPayloadsFailCleanly) {
  std::mt19937 rng(7);
  const std::string valid = encode_binary_payload(random_payload(rng, 40)).value();
  for (int round = 0; round < 6000; ++round) {
    std::string bytes = valid;
    int kind = round % 3;
    if (kind == 0) {
      bytes.resize(rng() % valid.size());
    } else if (kind == 1) {
      for (int flips = 1 + rng() % 3; flips > 0; --flips) {
        bytes[rng() % bytes.size()] ^= static_cast<char>(1 << rng() % 8);
      }
    } else {
      std::uint32_t value = rng() % 2 ? rng() : rng() % 300;
      std::size_t at = rng() % (bytes.size() - 3);
      for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
    }
    auto index = decode_binary_payload(bytes);
    if (kind == 0) {
      ASSERT_FALSE(index.ok());
      EXPECT_EQ(message(index.error()).rfind(kTruncated, 0), 0u) << message(index.error());
    } else if (index.ok()) {
      // A valid index: every entry it lists is found with the same readings.
      Entries entries = canonical_entries(*index.value());
      EXPECT_EQ(entries.size(), index.value()->entry_count());
      std::vector<std::string_view> found;
      for (const auto& [surface, readings] : entries) {
        ASSERT_TRUE(index.value()->lookup(surface, found).value());
        EXPECT_EQ(std::vector<std::string>(found.begin(), found.end()), readings);
      }
    } else {
      EXPECT_NE(message(index.error()).find("UniDic"), std::string::npos);
    }
  }
}

class UnidicBinaryFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ = std::filesystem::temp_directory_path() /
                 ("unidic_binary_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(directory_);
  }
  void TearDown() override { std::filesystem::remove_all(directory_); }
  std::string path(std::string_view name) const { return (directory_ / name).string(); }

  std::filesystem::path directory_;
};

TEST_F(UnidicBinaryFileTest, WritesAndLoadsFilesAndReportsFileErrors) {
  std::mt19937 rng(3);
  UnidicReadingIndexPayload payload = random_payload(rng, 500);
  // Long enough for the reader's buffer to be refilled inside a reading.
  for (int r = 0; r < 200; ++r) {
    payload.entries[250].readings.push_back(std::string(500, 'x') + std::to_string(r));
  }
  ASSERT_TRUE(write_binary_payload(payload, path("ok.bin")).ok());
  auto index = load_binary_payload(path("ok.bin"));
  ASSERT_TRUE(index.ok()) << message(index.error());
  auto expected = build_reading_index(payload);
  EXPECT_EQ(canonical_entries(*index.value()), canonical_entries(*expected.value()));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(directory_), {}), 1);

  auto load_error = [](const std::string& file) { return outcome(load_binary_payload(file)); };
  EXPECT_EQ(load_error(directory_.string()),
            "failed to read UniDic artifact payload: Is a directory (os error 21)");
  EXPECT_EQ(load_error(path("missing.bin")),
            "failed to read UniDic artifact payload: No such file or directory (os error 2)");
  int fd = ::open(path("big.bin").c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, 536870913), 0);
  ::close(fd);
  EXPECT_EQ(load_error(path("big.bin")),
            "UniDic artifact payload_bytes length/count 536870913 exceeds limit 536870912");

  auto written = write_binary_payload(payload, path("missing/ok.bin"));
  ASSERT_FALSE(written.ok());
  EXPECT_EQ(message(written.error()),
            "failed to write UniDic binary artifact payload: No such file or directory (os error "
            "2)");
}

TEST_F(UnidicBinaryFileTest, LoadsByFormatName) {
  ASSERT_TRUE(write_binary_payload({1, std::string(kUnidicPayloadType), {{"日本", {"にほん"}}}},
                                   path("p.bin"))
                  .ok());
  std::ofstream(path("p.yaml")) << to_yaml({1, std::string(kUnidicPayloadType), {{"a", {"b"}}}});
  struct Case {
    std::string file, format, outcome;
  };
  const std::string unsupported = "unsupported payload_format ";
  const std::string expected = "; expected 'yaml', 'binary', or 'indexed'";
  for (const Case& c : std::initializer_list<Case>{
           {"p.yaml", "yaml", "loaded 1"},
           {"p.yaml", "yaml.surface-readings.v1", "loaded 1"},
           {"p.bin", "binary", "loaded 1"},
           {"p.bin", "binary.surface-readings.v1", "loaded 1"},
           {"p.yaml", "binary",
            "invalid UniDic binary artifact magic [115, 99, 104, 101, 109, 97, 95, 118]"},
           {"p.bin", "Binary", unsupported + "\"Binary\"" + expected},
           {"p.bin", "indexed", unsupported + "\"indexed\"" + expected},
           {"p.bin", "fst", unsupported + "\"fst\"" + expected},
           {"p.bin", "indexed-fst.surface-readings.v1",
            unsupported + "\"indexed-fst.surface-readings.v1\"" + expected},
           {"p.bin", "bin\"ary\n", unsupported + "\"bin\\\"ary\\n\"" + expected}}) {
    auto index = load_unidic_payload(path(c.file), c.format);
    EXPECT_EQ(index.ok() ? "loaded " + std::to_string(index.value()->entry_count())
                         : message(index.error()),
              c.outcome)
        << c.format;
  }
}

}  // namespace
}  // namespace lumra::ja

namespace lumra::ja {
namespace {

// The checksum the binary load takes from the keys it notes equals the walk
// of the same entries built from the payload record, and a payload that
// fails to load fails the same way with the checksum asked for.
TEST_F(UnidicBinaryFileTest, ChecksumOnLoadEqualsTheWalkOfTheIndex) {
  std::mt19937 rng(17);
  for (int round = 0; round < 12; ++round) {
    UnidicReadingIndexPayload payload = random_payload(rng, 1 + round * round * 40);
    if (round % 3 == 1) {  // in surface order already
      std::sort(payload.entries.begin(), payload.entries.end(),
                [](const auto& a, const auto& b) { return a.surface < b.surface; });
    }
    ASSERT_TRUE(write_binary_payload(payload, path("p.bin")).ok());
    auto expected = build_reading_index(payload);
    ASSERT_TRUE(expected.ok());
    for (payload::CanonicalHash hash :
         {payload::CanonicalHash::kSha256, payload::CanonicalHash::kFnv1a64}) {
      auto loaded = load_binary_payload_with_checksum(path("p.bin"), hash);
      ASSERT_TRUE(loaded.ok()) << message(loaded.error());
      const char* name =
          hash == payload::CanonicalHash::kSha256 ? "sha256-canonical-v1" : "fnv1a64-canonical-v1";
      EXPECT_EQ(loaded.value().checksum,
                canonical_payload_checksum(*expected.value(), name).value().value())
          << round;
      EXPECT_EQ(canonical_entries(*loaded.value().index), canonical_entries(*expected.value()));
    }
  }
  UnidicReadingIndexPayload duplicate{1, std::string(kUnidicPayloadType),
                                      {{"a", {"x"}}, {"b", {"y"}}, {"a", {"z"}}}};
  ASSERT_TRUE(write_binary_payload(duplicate, path("dup.bin")).ok());
  for (const std::string& file : {path("dup.bin"), path("missing.bin"), directory_.string()}) {
    auto plain = load_binary_payload(file);
    auto with_checksum = load_binary_payload_with_checksum(file, payload::CanonicalHash::kSha256);
    ASSERT_FALSE(plain.ok());
    ASSERT_FALSE(with_checksum.ok());
    EXPECT_EQ(message(with_checksum.error()), message(plain.error()));
  }
}

}  // namespace
}  // namespace lumra::ja
