// The canonical checksum an indexed payload's load takes during its own
// check of the entries, against the walk of the loaded index: equal on
// random payloads whose records are shared between surfaces, and the file
// loaders give it for indexed payloads only.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "artifacts/load_payload.h"
#include "ja/unidic/binary_payload_writer.h"
#include "indexed_test_support.h"
#include "ja/unidic/canonical_checksum.h"
#include "payload/fnv1a64.h"
#include "payload/sha256.h"
#include "zh/index/canonical_checksum.h"

namespace lumra::artifacts::testing {
namespace {

// Surfaces sharing prefixes, of one- to three-byte characters; about one
// in four surfaces points at the record of an earlier one.
RawPayload random_payload(std::mt19937_64& rng, const std::string& magic) {
  static const std::vector<std::string> kSurfaceChars = {"a", "b", "é", "日", "本"};
  static const std::vector<std::string> kSyllables = {"ri", "ka", "to", "ma", "e"};
  RawPayload raw;
  raw.magic = magic;
  std::vector<std::uint64_t> records;
  for (std::size_t count = rng() % 40; raw.keys.size() < count;) {
    std::string surface;
    for (std::size_t n = 1 + rng() % 4; n > 0; --n) surface += kSurfaceChars[rng() % 5];
    if (!records.empty() && rng() % 4 == 0) {
      raw.keys[surface] = records[rng() % records.size()];
      continue;
    }
    std::vector<std::string> readings;
    for (std::size_t n = 1 + rng() % 3; n > 0; --n) {
      std::string reading = kSyllables[rng() % 5] + kSyllables[rng() % 5];
      if (std::find(readings.begin(), readings.end(), reading) == readings.end()) {
        readings.push_back(reading);
      }
    }
    records.push_back(raw.readings.size());
    raw.keys[surface] = records.back();
    raw.readings += record(readings);
  }
  return raw;
}

TEST(ChecksumOnLoadTest, JapaneseEqualsTheWalkOfTheLoadedIndex) {
  std::mt19937_64 rng(13);
  for (int round = 0; round < 200; ++round) {
    const Bytes bytes = random_payload(rng, "LUMRAI01").bytes();
    auto walked = parse_indexed_payload(bytes);
    ASSERT_TRUE(walked.ok());
    for (auto hash : {payload::CanonicalHash::kSha256, payload::CanonicalHash::kFnv1a64}) {
      const char* name = hash == payload::CanonicalHash::kSha256 ? "sha256-canonical-v1"
                                                                 : "fnv1a64-canonical-v1";
      payload::CanonicalDigest digest(hash);
      ASSERT_TRUE(parse_indexed_payload(bytes, &digest).ok());
      EXPECT_EQ(digest.hex_digest(), *ja::canonical_payload_checksum(*walked.value(), name).value())
          << round;
    }
  }
}

TEST(ChecksumOnLoadTest, ChineseEqualsTheWalkOfTheLoadedIndex) {
  std::mt19937_64 rng(31);
  for (int round = 0; round < 200; ++round) {
    const Bytes bytes = random_payload(rng, "LUMRAZ01").bytes();  // header word 0: no-tone
    auto walked = parse_zh_indexed_payload(bytes);
    ASSERT_TRUE(walked.ok()) << round;
    payload::CanonicalDigest digest(payload::CanonicalHash::kSha256);
    ASSERT_TRUE(parse_zh_indexed_payload(bytes, &digest).ok());
    EXPECT_EQ(digest.hex_digest(),
              *zh::zh_canonical_checksum(*walked.value(), "sha256-canonical-v1").value())
        << round;
  }
}

// Only an indexed or binary payload and a known algorithm give the checksum
// with the load; the YAML form of the same entries walks to the same one.
TEST(ChecksumOnLoadTest, FileLoadersTakeItForIndexedAndBinaryPayloads) {
  const Entries entries = {{"日本", {"にほん", "にっぽん"}}, {"a", {"えー"}}};
  TempDir dir;
  const std::string indexed = dir.write("ja.indexed", *japanese().encode(entries));
  const Bytes yaml_text = [] {
    const std::string text =
        "schema_version: 1\npayload_type: lumra.unidic.reading-index.surface-readings\n"
        "entries:\n- {surface: 日本, readings: [にほん, にっぽん]}\n- {surface: a, readings: [えー]}\n";
    return Bytes(text.begin(), text.end());
  }();
  const std::string yaml = dir.write("ja.yaml", yaml_text);
  auto from_yaml = load_japanese_payload_with_checksum(yaml, "yaml", "sha256-canonical-v1");
  ASSERT_TRUE(from_yaml.ok());
  EXPECT_FALSE(from_yaml.value().checksum_on_load);
  const auto walked =
      ja::canonical_payload_checksum(*from_yaml.value().index, "sha256-canonical-v1").value();
  for (const char* format : {"indexed", "fst", "indexed-fst.surface-readings.v1"}) {
    auto loaded = load_japanese_payload_with_checksum(indexed, format, "sha256-canonical-v1");
    ASSERT_TRUE(loaded.ok());
    EXPECT_EQ(loaded.value().checksum_on_load, walked) << format;
  }
  ja::UnidicReadingIndexPayload payload{1, std::string(ja::kUnidicPayloadType), {}};
  for (const auto& [surface, readings] : entries) payload.entries.push_back({surface, readings});
  const std::string binary = dir.write("ja.bin", [&] {
    const std::string bytes = ja::encode_binary_payload(payload).value();
    return Bytes(bytes.begin(), bytes.end());
  }());
  for (const char* format : {"binary", "binary.surface-readings.v1"}) {
    auto loaded = load_japanese_payload_with_checksum(binary, format, "sha256-canonical-v1");
    ASSERT_TRUE(loaded.ok());
    EXPECT_EQ(loaded.value().checksum_on_load, walked) << format;
  }
  for (const auto& [path, format] : {std::pair{indexed, "indexed"}, std::pair{binary, "binary"}}) {
    auto unknown = load_japanese_payload_with_checksum(path, format, "SHA256-canonical-v1");
    ASSERT_TRUE(unknown.ok());
    EXPECT_FALSE(unknown.value().checksum_on_load) << format;
  }
  auto zh_only = load_chinese_payload_with_checksum(
      dir.write("zh.indexed", *chinese().encode({{"a", {"e"}}})), "indexed",
      "fnv1a64-canonical-v1");
  ASSERT_TRUE(zh_only.ok());
  EXPECT_FALSE(zh_only.value().checksum_on_load);
}

// Surfaces of one- to four-byte characters (NUL among them) and a long
// shared start, so that many tie on their first eight bytes or are prefixes
// of one another; readings whose byte lengths straddle the writer's
// short-value copy, a table record's one-byte lengths and, for a few, the
// writer's chunk.
// Surfaces have up to `max_pieces` pieces.
Entries hard_entries(std::mt19937_64& rng, std::size_t count, std::size_t max_pieces = 5) {
  static const std::vector<std::string> kPieces = {
      "a", "b", std::string(1, '\0'), "\xC3\xA9", "\xE6\x97\xA5", "\xF0\xA0\x80\x8B", "abcdefgh"};
  static const std::vector<std::size_t> kReadingBytes = {1, 2, 31, 32, 33, 127, 128, 129, 16384};
  Entries entries;
  while (entries.size() < count) {
    std::string surface;
    for (std::size_t n = 1 + rng() % max_pieces; n > 0; --n) {
      surface += kPieces[rng() % kPieces.size()];
    }
    std::vector<std::string>& readings = entries[surface];
    readings.clear();
    for (std::size_t n = 1 + rng() % 3; readings.size() < n;) {
      // Mostly short, as real readings are.
      const std::size_t size = rng() % 4 ? 1 + rng() % 12 : kReadingBytes[rng() % kReadingBytes.size()];
      std::string reading(size, 'x');
      for (char& c : reading) c = static_cast<char>('a' + rng() % 26);
      if (std::find(readings.begin(), readings.end(), reading) == readings.end()) {
        readings.push_back(reading);
      }
    }
  }
  return entries;
}

// The canonical text straight from its definition: entries in the byte
// order of their surfaces (std::string compares bytes as unsigned char).
std::string canonical_text_of(const Entries& entries) {
  std::string text = "lumra.unidic.reading-index.surface-readings/v1\n";
  const auto field = [&](char tag, const std::string& value) {
    text += tag + std::to_string(value.size()) + "\n" + value + "\n";
  };
  for (const auto& [surface, readings] : entries) {
    field('S', surface);
    text += "R" + std::to_string(readings.size()) + "\n";
    for (const std::string& reading : readings) field('r', reading);
  }
  return text;
}

// The binary form, whose load sorts its entries for the checksum, against
// that text and the indexed form of the same entries, in file order random
// and already sorted; the last round is large enough for the sort to deal
// its keys by their first two bytes first, and its text spans many of the
// writer's chunks.
TEST(ChecksumOnLoadTest, BinaryFormEqualsTheTextAndTheIndexedForm) {
  std::mt19937_64 rng(29);
  TempDir dir;
  for (int round = 0; round < 9; ++round) {
    const Entries entries =
        round < 8 ? hard_entries(rng, 1 + rng() % 600) : hard_entries(rng, 20000, 8);
    ja::UnidicReadingIndexPayload payload{1, std::string(ja::kUnidicPayloadType), {}};
    for (const auto& [surface, readings] : entries) payload.entries.push_back({surface, readings});
    if (round % 2 == 0) std::shuffle(payload.entries.begin(), payload.entries.end(), rng);
    const std::string binary = dir.write("p.bin", [&] {
      const std::string bytes = ja::encode_binary_payload(payload).value();
      return Bytes(bytes.begin(), bytes.end());
    }());
    const std::string indexed = dir.write("p.indexed", *japanese().encode(entries));
    const std::string text = canonical_text_of(entries);
    payload::Sha256 sha256;
    sha256.update(text);
    payload::Fnv1a64 fnv1a64;
    fnv1a64.update(text);
    for (const auto& [name, expected] : {std::pair{"sha256-canonical-v1", sha256.hex_digest()},
                                         std::pair{"fnv1a64-canonical-v1", fnv1a64.hex_digest()}}) {
      for (const auto& [path, format] :
           {std::pair{binary, "binary"}, std::pair{indexed, "indexed"}}) {
        auto loaded = load_japanese_payload_with_checksum(path, format, name);
        ASSERT_TRUE(loaded.ok()) << format;
        EXPECT_EQ(loaded.value().checksum_on_load, expected) << round << format << name;
        EXPECT_EQ(ja::unidic_canonical_text(*loaded.value().index).value(), text) << round << format;
      }
    }
  }
}

}  // namespace
}  // namespace lumra::artifacts::testing
