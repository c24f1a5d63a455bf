// The compact lattice builder against the builder that writes every chain
// out: the same failures on the same adds, the same node count as written,
// and the same strings, on random unit lists and random small dictionaries.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/base/utf8.h"
#include "ja/reading/reading_lattice.h"
#include "ja/romaji/lattice_builder.h"
#include "ja/romaji/split_units.h"
#include "ja_test_support.h"

namespace lumra::ja {
namespace {

using testing::lattice_strings;
using testing::MapReadingIndex;
using testing::random_text;
using Strings = std::vector<std::string>;

std::string outcome(const Status<JapaneseDistanceError>& status) {
  return status.ok() ? "ok" : message(status.error());
}

// Small tsu, long vowel marks, two-character keys, ASCII consonants before
// small kana, punctuation, spellings of one to four letters and kana
// without a row all meet here; tight node limits make adds fail.
TEST(CompactLatticeBuilder, MatchesTheWrittenOutBuilder) {
  const Strings alphabet = {"か", "し", "ゃ", "ょ", "っ", "ー", "ん", "ち", "え", "お",
                            "を", "k", "T", "a", " ", "、", "ゐ", "ぢ"};
  std::mt19937 random(5);
  int lattices = 0;
  for (int round = 0; round < 2000; ++round) {
    const std::uint64_t max_nodes = random() % 3 == 0 ? 10 + random() % 200 : std::uint64_t{1} << 31;
    RomajiLatticeBuilder written(max_nodes);
    RomajiLatticeBuilder compact = RomajiLatticeBuilder::compact(max_nodes);
    std::string text;
    for (std::size_t add = random() % 6; add > 0; --add) {
      // Adds often begin as the one before, which a compact builder takes
      // from where they differ.
      if (random() % 20 == 0) {
        text.clear();
      } else if (random() % 2 == 0 && !text.empty()) {
        std::vector<Symbol> kept = decode_utf8(text);
        kept.resize(random() % (kept.size() + 1));
        text = encode_utf8(kept) + random_text(random, alphabet, 3);
      } else {
        text = random_text(random, alphabet, 7);
      }
      auto units = split_romaji_units(text, true);
      ASSERT_TRUE(units.ok()) << text;
      ASSERT_EQ(outcome(compact.add_units(units.value())), outcome(written.add_units(units.value())))
          << text;
    }
    auto expected = written.finish();
    auto got = compact.finish();
    ASSERT_EQ(got.ok(), expected.ok());
    if (!expected.ok()) {
      EXPECT_EQ(message(got.error()), message(expected.error()));
      continue;
    }
    ASSERT_EQ(got.value().has_value(), expected.value().has_value());
    if (!expected.value()) continue;
    ++lattices;
    EXPECT_EQ(compact.built_node_count(), expected.value()->node_count());
    EXPECT_EQ(lattice_strings(*got.value()), lattice_strings(*expected.value()));
    EXPECT_LE(got.value()->node_count(), expected.value()->node_count());
  }
  EXPECT_GT(lattices, 1000);
}

// Through the reading forms: many readings per surface give hundreds of
// paths, whose lattice the compact form must spell exactly.
TEST(CompactReadingLattice, MatchesTheSearchableLattice) {
  const Strings text_alphabet = {"日", "本", "中", "か", "き", "ゃ", "っ", "ー", "A", "b", "、", "ゐ"};
  const Strings reading_alphabet = {"か", "な", "き", "し", "ん", "っ", "ー", "ゃ", "ゐ", "お", "う"};
  std::mt19937 random(17);
  for (int round = 0; round < 1500; ++round) {
    std::map<std::string, std::vector<std::string>> entries;
    for (std::size_t e = random() % 8; e > 0; --e) {
      std::vector<std::string> readings;
      for (std::size_t r = 1 + random() % 6; r > 0; --r) {
        std::string reading = random_text(random, reading_alphabet, 3);
        if (std::find(readings.begin(), readings.end(), reading) == readings.end()) {
          readings.push_back(reading);
        }
      }
      entries[random_text(random, text_alphabet, 2)] = readings;
    }
    const MapReadingIndex index(entries);
    const std::string text = random_text(random, text_alphabet, 8);
    ReadingOptions options;
    options.longest_only = random() % 4 == 0;
    options.max_span_chars = random() % 4;
    options.max_paths = std::vector<std::uint64_t>{1, 3, 50, 1024}[random() % 4];
    if (random() % 3 == 0) options.max_readings_per_segment = random() % 4;

    auto expected = searchable_reading_lattice(index, text, options);
    auto got = compact_reading_lattice(index, text, options);
    ASSERT_EQ(got.ok(), expected.ok()) << text;
    if (!expected.ok()) {
      EXPECT_EQ(message(got.error()), message(expected.error())) << text;
      continue;
    }
    EXPECT_EQ(got.value().built_nodes, expected.value().node_count()) << text;
    EXPECT_EQ(lattice_strings(got.value().lattice), lattice_strings(expected.value())) << text;
  }
}

}  // namespace
}  // namespace lumra::ja
