// Mutated maps (bit flips, truncations, overwritten and random bytes) must
// give a clean error or a map whose walk ends and agrees with its lookups.
#include <gtest/gtest.h>

#include <random>

#include "fst_test_support.h"

namespace lumra::fst::testing {
namespace {

// Opens `bytes` and, if that works, walks the map and looks up every key it
// walked and every key of `known` (the pairs of the unmutated map).
void expect_consistent(const Bytes& bytes, const Pairs& known) {
  Result<FstMap, FstError> opened = FstMap::open(bytes);
  if (!opened.ok()) {
    EXPECT_EQ(message(opened.error()), "FST error");
    return;
  }
  const FstMap& map = opened.value();
  FstStream stream(map);
  Pairs walked;
  std::string previous;
  bool complete = false;
  while (true) {
    Result<bool, FstError> more = stream.next();
    complete = more.ok() && !more.value();
    if (!more.ok() || !more.value()) break;
    // The walk stops after size() keys at most, so this cannot run away.
    ASSERT_LE(walked.size(), map.size());
    const std::string key(stream.key());
    ASSERT_TRUE(walked.empty() || previous < key) << "keys must strictly ascend";
    ASSERT_EQ(map.get(key), stream.value());
    walked[key] = stream.value();
    previous = key;
  }
  for (const auto& [key, value] : known) {
    const std::optional<std::uint64_t> found = map.get(key);
    if (found && complete) {
      auto hit = walked.find(key);
      ASSERT_NE(hit, walked.end()) << "a lookup found a key the walk did not";
      EXPECT_EQ(hit->second, *found);
    }
  }
}

struct Seed {
  Bytes bytes;
  Pairs pairs;
};

std::vector<Seed> seeds() {
  std::vector<Seed> out;
  for (const char* name : {"empty", "empty_key", "one_key", "shared_prefixes", "large_values",
                           "binary_keys", "dense", "many_keys", "set_like"}) {
    out.push_back({read_file(golden_path(std::string(name) + ".fst")),
                   read_pairs(golden_path(std::string(name) + ".pairs"))});
  }
  std::mt19937_64 rng(99);
  Pairs written;
  while (written.size() < 300) {
    std::string key(1 + rng() % 6, '\0');
    for (char& c : key) c = static_cast<char>(rng() % 3 == 0 ? rng() : "ab\xff"[rng() % 3]);
    written[key] = rng() >> (rng() % 64);
  }
  out.push_back({build(written), written});
  return out;
}

TEST(FstFuzzTest, MutatedMapsFailCleanlyOrStayConsistent) {
  std::mt19937_64 rng(7);
  for (const Seed& seed : seeds()) {
    const Bytes& original = seed.bytes;
    // Fewer rounds on the large seed keep the test quick under sanitizers.
    const int rounds = original.size() > 10000 ? 60 : 400;
    for (int round = 0; round < rounds; ++round) {
      Bytes bytes = original;
      switch (round % 4) {
        case 0:  // flip one to three bits
          for (int flips = 1 + static_cast<int>(rng() % 3); flips > 0; --flips) {
            bytes[rng() % bytes.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
          }
          break;
        case 1:  // overwrite a few bytes, the footer included
          for (int n = 1 + static_cast<int>(rng() % 8); n > 0; --n) {
            bytes[rng() % bytes.size()] = static_cast<std::uint8_t>(rng());
          }
          break;
        case 2:  // cut the end or the start
          if (rng() % 2 == 0) {
            bytes.resize(rng() % bytes.size());
          } else {
            bytes.erase(bytes.begin(), bytes.begin() + static_cast<long>(rng() % bytes.size()));
          }
          break;
        case 3:  // random bytes behind the original header and footer
          for (std::size_t i = 16; i + 20 < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(rng());
          break;
      }
      expect_consistent(bytes, seed.pairs);
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
}

}  // namespace
}  // namespace lumra::fst::testing
