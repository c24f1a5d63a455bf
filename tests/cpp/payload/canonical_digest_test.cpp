#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "payload/canonical_digest.h"
#include "payload/canonical_text.h"
#include "payload/fnv1a64.h"
#include "payload/sha256.h"

namespace lumra::payload {
namespace {

struct DigestCase {
  std::string input;
  std::string sha256;
  std::string fnv1a64;
};

// FIPS 180-4 example vectors and published FNV-1a 64 values.
const std::vector<DigestCase> kVectors = {
    {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855", "cbf29ce484222325"},
    {"a", "ca978112ca1bbdcafac231b39a23dc4da786eff8147c4e72b9807785afee48bb", "af63dc4c8601ec8c"},
    {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
     "e71fa2190541574b"},
    {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
     "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1", ""},
    {"foobar", "c3ab8ff13720e8ad9047dd39466b3c8974e592c2fa383d4a3960714caef0c4f2",
     "85944171f73967e8"},
    {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0",
     ""},
};

TEST(DigestTest, KnownVectorsWholeAndInPieces) {
  for (const DigestCase& c : kVectors) {
    Sha256 whole;
    whole.update(c.input);
    EXPECT_EQ(whole.hex_digest(), c.sha256) << c.input.substr(0, 20);
    // Uneven pieces, empty ones included, must not change the digest.
    Sha256 pieces;
    Fnv1a64 fnv;
    for (std::size_t at = 0, step = 0; at <= c.input.size(); at += step, step = step * 2 + 1) {
      pieces.update(std::string_view(c.input).substr(at, step));
      fnv.update(std::string_view(c.input).substr(at, step));
    }
    EXPECT_EQ(pieces.hex_digest(), c.sha256);
    if (!c.fnv1a64.empty()) {
      EXPECT_EQ(fnv.hex_digest(), c.fnv1a64);
    }
  }
}

TEST(DigestTest, HexDigestStartsAfreshAndFnvKeepsLeadingZeros) {
  Sha256 hash;
  hash.update("abc");
  EXPECT_EQ(hash.hex_digest(), kVectors[2].sha256);
  EXPECT_EQ(hash.hex_digest(), kVectors[0].sha256);
  // "k9" entry text below starts its FNV value with a zero nibble.
  Fnv1a64 fnv;
  fnv.update("lumra.unidic.reading-index.surface-readings/v1\nS2\nk9\nR1\nr3\n\xE3\x81\x8B\n");
  EXPECT_EQ(fnv.value() >> 60, 0u);
  EXPECT_EQ(fnv.hex_digest(), "05d4ec09bfea067e");
}

// Fields around the chunk size, and values larger than a chunk, come out as
// the plain concatenation of their encodings.
TEST(CanonicalTextWriterTest, ChunkingKeepsTheBytes) {
  constexpr std::size_t kChunk = CanonicalTextWriter<CanonicalTextBuffer>::kChunkBytes;
  const std::vector<std::string> values = {
      "", "x", std::string(kChunk - 7, 'a'), std::string(kChunk, 'b'), "line\nfeed",
      std::string(3 * kChunk + 1, 'c'), "日本"};
  CanonicalTextBuffer buffer;
  Sha256 streamed;
  CanonicalTextWriter text_writer(buffer);
  CanonicalTextWriter hash_writer(streamed);
  std::string expected = "head\n";
  text_writer.line("head");
  hash_writer.line("head");
  for (int round = 0; round < 3; ++round) {
    for (const std::string& value : values) {
      text_writer.field('r', value);
      hash_writer.field('r', value);
      expected += "r" + std::to_string(value.size()) + "\n" + value + "\n";
    }
    text_writer.number_line('R', 18446744073709551615ull);
    hash_writer.number_line('R', 18446744073709551615ull);
    expected += "R18446744073709551615\n";
  }
  text_writer.entry("日", {"ひ", "にち"});
  hash_writer.entry("日", {"ひ", "にち"});
  expected += "S3\n日\nR2\nr3\nひ\nr6\nにち\n";
  text_writer.flush();
  hash_writer.flush();
  EXPECT_TRUE(buffer.text == expected);
  Sha256 whole;
  whole.update(expected);
  EXPECT_EQ(streamed.hex_digest(), whole.hex_digest());
}

// Entries written whole into the chunk, split because they would not fit
// in what is left of it, or larger than a chunk altogether, come out as
// their pieces would; CanonicalDigest hashes the same bytes.
TEST(CanonicalTextWriterTest, EntriesAroundTheChunkSize) {
  constexpr std::size_t kChunk = CanonicalTextWriter<CanonicalTextBuffer>::kChunkBytes;
  CanonicalTextBuffer buffer;
  CanonicalTextWriter writer(buffer);
  CanonicalDigest sha(CanonicalHash::kSha256);
  CanonicalDigest fnv(CanonicalHash::kFnv1a64);
  std::string expected;
  const std::vector<std::size_t> sizes = {1,          kChunk / 3,  kChunk / 4, kChunk / 4,
                                          kChunk / 4, kChunk - 60, kChunk - 30, kChunk,
                                          9,          2 * kChunk + 5, 99, 100, 0};
  for (std::size_t size : sizes) {
    const std::string surface(size % 7 + 1, 's');
    const std::vector<std::string> owned = {std::string(size, 'r'), "x", std::string(size / 2, 'y')};
    const std::vector<std::string_view> readings(owned.begin(), owned.end());
    writer.entry(surface, readings);
    sha.text().entry(surface, readings);
    fnv.text().entry(surface, readings);
    expected += "S" + std::to_string(surface.size()) + "\n" + surface + "\nR3\n";
    for (const std::string& reading : owned) {
      expected += "r" + std::to_string(reading.size()) + "\n" + reading + "\n";
    }
  }
  writer.flush();
  EXPECT_TRUE(buffer.text == expected);
  Sha256 whole_sha;
  whole_sha.update(expected);
  Fnv1a64 whole_fnv;
  whole_fnv.update(expected);
  EXPECT_EQ(sha.hex_digest(), whole_sha.hex_digest());
  EXPECT_EQ(fnv.hex_digest(), whole_fnv.hex_digest());
}

}  // namespace
}  // namespace lumra::payload
