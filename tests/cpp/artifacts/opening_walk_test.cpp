// OpeningWalk, which checks the nodes during the walk, against FstMap::open()
// followed by a walk: for every single-byte change of small maps, both fail
// or both give the same pairs, and the maps they end with look up alike.
#include <gtest/gtest.h>

#include <random>

#include "artifacts/fst/opening_walk.h"
#include "artifacts/indexed/valid_utf8.h"
#include "fst_test_support.h"

namespace lumra::fst::testing {
namespace {

using PairList = std::vector<std::pair<std::string, std::uint64_t>>;

std::optional<PairList> open_then_walk(const Bytes& bytes, std::optional<FstMap>& map) {
  Result<FstMap, FstError> opened = FstMap::open(bytes);
  if (!opened.ok()) return std::nullopt;
  map = std::move(opened).value();
  return walk(*map);
}

std::optional<PairList> walk_while_opening(const Bytes& bytes, std::optional<FstMap>& map) {
  Result<OpeningWalk, FstError> started = OpeningWalk::start(bytes);
  if (!started.ok()) return std::nullopt;
  OpeningWalk& walk = started.value();
  PairList pairs;
  while (true) {
    Result<bool, FstError> more = walk.next();
    if (!more.ok()) {
      EXPECT_FALSE(std::move(walk).finish().has_value()) << "a failed walk gave a map";
      return std::nullopt;
    }
    if (!more.value()) break;
    pairs.emplace_back(std::string(walk.key()), walk.value());
  }
  map = std::move(walk).finish();
  EXPECT_TRUE(map.has_value());
  return pairs;
}

void expect_same_outcome(const Bytes& bytes, const std::string& what) {
  std::optional<FstMap> opened, walked;
  const std::optional<PairList> expected = open_then_walk(bytes, opened);
  const std::optional<PairList> got = walk_while_opening(bytes, walked);
  ASSERT_EQ(got, expected) << what;
  if (!expected) return;
  // A sample of the keys of a large map keeps the test quick.
  const std::size_t stride = 1 + expected->size() / 16;
  for (std::size_t i = 0; i < expected->size(); i += stride) {
    const std::string& key = (*expected)[i].first;
    for (const std::string& probe : {key, key + 'a', key.substr(0, key.size() / 2)}) {
      ASSERT_EQ(walked->get(probe), opened->get(probe)) << what;
    }
  }
}

Bytes map_of(const std::vector<std::string>& keys) {
  Pairs pairs;
  std::uint64_t offset = 0;
  for (const std::string& key : keys) pairs[key] = offset += 3 + key.size();
  return build(pairs);
}

// A root of 40 transitions, which has a transition index.
Bytes indexed_map() {
  std::vector<std::string> keys;
  for (char c = 'A'; c <= 'Z'; ++c) keys.push_back(std::string(1, c) + (c % 3 == 0 ? "" : "yz"));
  for (char c = 'a'; c < 'a' + 14; ++c) keys.push_back(std::string(1, c) + "yz");
  return map_of(keys);
}

TEST(OpeningWalkTest, AgreesWithOpenThenWalkOnEverySingleByteChange) {
  const std::vector<std::pair<std::string, Bytes>> seeds = {
      {"indexed", indexed_map()},
      {"japanese", map_of({"日", "日本", "日本語", "日曜日", "本", "本日", "にほん", "にほんご", "東京",
                           "東京都", "京都", "都"})},
      {"chinese", map_of({"中", "中国", "中国人", "国", "国家", "人", "人民", "大", "大学", "学生",
                          "学", "生"})},
      {"empty_key", read_file(golden_path("empty_key.fst"))},
      {"binary_keys", read_file(golden_path("binary_keys.fst"))},
  };
  for (const auto& [name, seed] : seeds) {
    expect_same_outcome(seed, name);
    // Every fifth value on the larger seed keeps the test quick.
    const unsigned stride = seed.size() > 256 ? 5 : 1;
    for (std::size_t at = 0; at < seed.size(); ++at) {
      for (unsigned value = at % stride; value < 256; value += stride) {
        if (value == seed[at]) continue;
        Bytes bytes = seed;
        bytes[at] = static_cast<std::uint8_t>(value);
        expect_same_outcome(bytes, name + " byte " + std::to_string(at) + " = " + std::to_string(value));
        if (::testing::Test::HasFatalFailure()) return;
      }
    }
  }
}

// Larger maps, with every bit flipped.
TEST(OpeningWalkTest, AgreesWithOpenThenWalkOnBitFlips) {
  for (const char* name : {"set_like", "large_values"}) {
    const Bytes seed = read_file(golden_path(std::string(name) + ".fst"));
    for (std::size_t at = 0; at < seed.size(); ++at) {
      for (int bit = 0; bit < 8; ++bit) {
        Bytes bytes = seed;
        bytes[at] ^= static_cast<std::uint8_t>(1u << bit);
        expect_same_outcome(bytes, std::string(name) + " byte " + std::to_string(at) + " bit " +
                                       std::to_string(bit));
        if (::testing::Test::HasFatalFailure()) return;
      }
    }
  }
}

TEST(OpeningWalkTest, GivesNoMapBeforeTheWalkIsDone) {
  const Bytes bytes = map_of({"a", "b"});
  Result<OpeningWalk, FstError> started = OpeningWalk::start(bytes);
  ASSERT_TRUE(started.ok());
  ASSERT_TRUE(started.value().next().value());
  EXPECT_FALSE(std::move(started.value()).finish().has_value());
}

// The key automaton's state after each key, carried from frame to frame
// while the walk shares prefixes, is the state of a run over the whole key:
// random key sets of whole, cut and stray UTF-8 pieces, with the UTF-8
// automaton.
TEST(OpeningWalkTest, EndsEachKeyInTheStateOfARunOverTheWholeKey) {
  static const std::string kPieces[] = {"a", "z", "\xc3\xa9", "\xe6\x97\xa5", "\xe3\x81\xab",
                                        "\xf0\x9d\x84\x9e", "\xe6\x97", "\x80", "\xff", "\xed\xa0\x80"};
  std::mt19937_64 rng(11);
  int valid = 0, invalid = 0;
  for (int trial = 0; trial < 200; ++trial) {
    std::vector<std::string> keys;
    for (int k = 0; k < 40; ++k) {
      std::string key;
      for (std::size_t n = rng() % 5; n > 0; --n) key += kPieces[rng() % std::size(kPieces)];
      keys.push_back(key);
    }
    Pairs pairs;
    for (const std::string& key : keys) pairs[key] = key.size();
    const Bytes bytes = build(pairs);
    Result<OpeningWalk, FstError> started =
        OpeningWalk::start(bytes, kDefaultMaxKeyBytes, artifacts::utf8_automaton());
    ASSERT_TRUE(started.ok());
    OpeningWalk& walk = started.value();
    while (walk.next().value()) {
      const bool accepted = artifacts::utf8_automaton_accepts(walk.key_state());
      ASSERT_EQ(accepted, artifacts::is_valid_utf8(walk.key())) << ::testing::PrintToString(walk.key());
      ++(accepted ? valid : invalid);
    }
  }
  EXPECT_GT(valid, 1000);
  EXPECT_GT(invalid, 1000);
}

}  // namespace
}  // namespace lumra::fst::testing
