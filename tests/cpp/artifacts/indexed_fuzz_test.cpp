// Mutated indexed payloads (header fields, FST section, readings records,
// truncations) must give a clean error, or an index whose canonical walk and
// lookups agree; never a crash, an out-of-bounds read or a runaway
// allocation (run the sanitizer build to see the reads).
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "indexed_test_support.h"

namespace lumra::artifacts::testing {
namespace {

Bytes seed_payload(const Language& language, std::mt19937_64& rng) {
  static const char* const kChars[] = {"a", "b", "日", "本"};
  Entries entries;
  while (entries.size() < 40) {
    std::string surface;
    for (std::size_t n = 1 + rng() % 3; n > 0; --n) surface += kChars[rng() % 4];
    entries[surface] = {"ka", std::string(1 + rng() % 3, 'r')};
  }
  std::optional<Bytes> bytes = language.encode(entries);
  return bytes ? *bytes : Bytes{};
}

void put(Bytes& bytes, std::size_t at, std::uint64_t value, std::size_t size) {
  for (std::size_t i = 0; i < size && at + i < bytes.size(); ++i) {
    bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
}

std::uint64_t interesting(std::mt19937_64& rng) {
  static const std::uint64_t kValues[] = {0, 1, 2, 3, 4, 39, 40, 41, 255, 256, 257, 16384, 16385,
                                          0xFFFFFFFF, 0xFFFFFFFFFFFFFFD8, ~0ull};
  return rng() % 2 == 0 ? kValues[rng() % std::size(kValues)] : rng() >> (rng() % 64);
}

void mutate(Bytes& bytes, std::mt19937_64& rng) {
  // The FST length as the header says (an earlier mutation may have changed
  // it), kept within the bytes.
  const std::size_t fst_length =
      bytes.size() > 40 ? std::min<std::size_t>(bytes[24] | bytes[25] << 8, bytes.size() - 40) : 0;
  switch (rng() % 6) {
    case 0:  // a header field
      put(bytes, 8 + 4 * (rng() % 8), interesting(rng), rng() % 2 == 0 ? 4 : 8);
      break;
    case 1:  // bits inside the FST section
      for (int n = 1 + static_cast<int>(rng() % 3); n > 0 && fst_length > 0; --n) {
        bytes[40 + rng() % fst_length] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
      }
      break;
    case 2:  // a count or length inside the readings section
      if (bytes.size() > 44 + fst_length) {
        put(bytes, 40 + fst_length + rng() % (bytes.size() - 44 - fst_length), interesting(rng), 4);
      }
      break;
    case 3:  // any bytes
      for (int n = 1 + static_cast<int>(rng() % 4); n > 0; --n) {
        bytes[rng() % bytes.size()] = static_cast<std::uint8_t>(rng());
      }
      break;
    case 4:  // cut or extend the end
      if (rng() % 2 == 0) {
        bytes.resize(rng() % bytes.size());
      } else {
        bytes.resize(bytes.size() + 1 + rng() % 16, static_cast<std::uint8_t>(rng()));
      }
      break;
    case 5:  // bytes of a record moved into the FST, and the other way round
      if (bytes.size() > 48) {
        const std::size_t from = rng() % (bytes.size() - 8), to = rng() % (bytes.size() - 8);
        std::copy_n(bytes.begin() + static_cast<long>(from), 8, bytes.begin() + static_cast<long>(to));
      }
      break;
  }
}

TEST(IndexedFuzzTest, MutatedPayloadsFailCleanlyOrLoadConsistently) {
  std::mt19937_64 rng(12);
  for (const Language& language : both_languages()) {
    const Bytes original = seed_payload(language, rng);
    ASSERT_NE(language.entries_of(original), std::nullopt);
    int loaded = 0;
    for (int round = 0; round < 1500; ++round) {
      Bytes bytes = original;
      for (int n = 1 + static_cast<int>(rng() % 2); n > 0 && !bytes.empty(); --n) mutate(bytes, rng);
      const std::string outcome = language.load_error(bytes);
      ASSERT_FALSE(outcome.empty());
      if (outcome != "loaded") continue;
      ++loaded;
      // entries_of() checks the walk against lookups of every surface.
      ASSERT_NE(language.entries_of(bytes), std::nullopt);
      if (::testing::Test::HasFailure()) return;
    }
    // Both outcomes should be reached, or the mutations test too little.
    EXPECT_GT(loaded, 20) << language.name;
    EXPECT_LT(loaded, 1400) << language.name;
  }
}

}  // namespace
}  // namespace lumra::artifacts::testing
