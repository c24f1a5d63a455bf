// Reading texts spelled from the graph they share against the builder that
// takes them one by one: the same strings, node count as written and
// lattice size, and, where the speller leaves the answer to the builder,
// a builder failure or a limit; on random small dictionaries whose
// readings put kana keys, small tsu, ASCII consonants before small kana,
// long vowel marks and unspellable characters across segment borders.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ja/reading/reading_lattice.h"
#include "ja/reading/reading_text_speller.h"
#include "ja/reading/table_path_adder.h"
#include "ja/romaji/lattice_builder.h"
#include "ja_test_support.h"

namespace lumra::ja {
namespace {

using testing::MapReadingIndex;
using testing::random_text;
using Strings = std::vector<std::string>;

// Whether two lattices spell the same strings, by walking both at once
// through the sets of nodes each string prefix reaches.
bool same_strings(const PathLattice& a, const PathLattice& b) {
  using Nodes = std::set<std::uint64_t>;
  std::set<std::pair<Nodes, Nodes>> seen;
  std::vector<std::pair<Nodes, Nodes>> open = {{{a.start()}, {b.start()}}};
  while (!open.empty()) {
    auto sets = std::move(open.back());
    open.pop_back();
    if (!seen.insert(sets).second) continue;
    if (sets.first.contains(a.end()) != sets.second.contains(b.end())) return false;
    std::map<Symbol, std::pair<Nodes, Nodes>> next;
    for (std::uint64_t node : sets.first) {
      for (ArcIndex arc : a.outgoing(node)) next[a.arc(arc).symbol].first.insert(a.arc(arc).dst);
    }
    for (std::uint64_t node : sets.second) {
      for (ArcIndex arc : b.outgoing(node)) next[b.arc(arc).symbol].second.insert(b.arc(arc).dst);
    }
    for (auto& [symbol, targets] : next) open.push_back(std::move(targets));
  }
  return true;
}

MapReadingIndex random_index(std::mt19937& random, const Strings& surfaces,
                             const Strings& reading_alphabet) {
  std::map<std::string, std::vector<std::string>> entries;
  auto readings = [&] {
    std::vector<std::string> out;
    for (std::size_t r = 1 + random() % 5; r > 0; --r) {
      std::string reading = random_text(random, reading_alphabet, 3);
      if (std::find(out.begin(), out.end(), reading) == out.end()) out.push_back(reading);
    }
    return out;
  };
  // Most single characters read, so that most texts segment.
  for (const std::string& surface : surfaces) {
    if (random() % 4 != 0) entries[surface] = readings();
  }
  for (std::size_t e = random() % 5; e > 0; --e) entries[random_text(random, surfaces, 2)] = readings();
  return MapReadingIndex(entries);
}

const Strings kSurfaces = {"日", "本", "中", "語"};
// Mostly spellable, with a few characters that fail a text: no row (ゐ),
// punctuation where readings allow none (、), no kana at all (漢).
const Strings kReadingAlphabet = {"か", "き", "ゃ", "ょ", "っ", "ー", "ん", "し", "ち", "お", "え",
                                  "キ", "ャ", "k", "T", "a", "　", "ぢ", "か", "し", "う",
                                  "ゐ", "、", "漢"};

TEST(ReadingTextSpeller, MatchesTheTextByTextBuilder) {
  std::mt19937 random(23);
  int spelled = 0;
  int limited = 0;
  for (int round = 0; round < 3000; ++round) {
    const MapReadingIndex index = random_index(random, kSurfaces, kReadingAlphabet);
    const std::string text = random_text(random, kSurfaces, 5);
    ReadingOptions options;
    options.longest_only = random() % 4 == 0;
    options.max_paths = std::vector<std::uint64_t>{1, 7, 64, 1024}[random() % 4];
    const bool tight = random() % 4 == 0;
    const std::uint64_t max_nodes = tight ? 2 + random() % 80 : std::uint64_t{1} << 31;
    ReadingPathTable table;
    ASSERT_TRUE(table.build(index, text, options, false).ok());

    RomajiLatticeBuilder builder = RomajiLatticeBuilder::compact(max_nodes);
    TablePathAdder adder;
    const auto added = adder.add_reading_texts(table, builder);
    const auto got = spell_reading_texts(table, max_nodes);
    if (!got) {
      // Left to the builder: beyond the limit, or nothing to spell.
      EXPECT_TRUE(!added.ok() || table.path_count() == 0) << text;
      limited += !added.ok();
      continue;
    }
    ASSERT_TRUE(added.ok()) << text << ": " << message(added.error());
    auto expected = builder.finish();
    ASSERT_TRUE(expected.ok());
    ASSERT_EQ(got->lattice.has_value(), expected.value().has_value()) << text;
    if (!got->lattice) continue;
    ++spelled;
    EXPECT_EQ(got->built_nodes, builder.built_node_count()) << text;
    EXPECT_EQ(got->lattice->node_count(), expected.value()->node_count()) << text;
    EXPECT_EQ(got->lattice->arcs().size(), expected.value()->arcs().size()) << text;
    EXPECT_TRUE(same_strings(*got->lattice, *expected.value())) << text;
  }
  EXPECT_GT(spelled, 1000);
  EXPECT_GT(limited, 100);
}

// Through the whole lattice form, limits and failures included.
TEST(ReadingTextSpeller, ReadingLatticesMatchTheTextByTextWay) {
  std::mt19937 random(29);
  for (int round = 0; round < 1500; ++round) {
    const MapReadingIndex index = random_index(random, kSurfaces, kReadingAlphabet);
    const std::string text = random_text(random, {"日", "本", "中", "語", "か", "漢"}, 5);
    ReadingOptions options;
    options.max_span_chars = random() % 3;
    options.max_paths = std::vector<std::uint64_t>{1, 7, 64}[random() % 3];
    if (random() % 3 == 0) options.max_readings_per_segment = random() % 3;
    const std::uint64_t max_nodes = random() % 3 == 0 ? 2 + random() % 200 : 16000000;
    auto expected = compact_reading_lattice_text_by_text(index, text, options, max_nodes);
    auto got = compact_reading_lattice(index, text, options, max_nodes);
    ASSERT_EQ(got.ok(), expected.ok()) << text;
    if (!expected.ok()) {
      EXPECT_EQ(message(got.error()), message(expected.error())) << text;
      continue;
    }
    EXPECT_EQ(got.value().built_nodes, expected.value().built_nodes) << text;
    EXPECT_TRUE(same_strings(got.value().lattice, expected.value().lattice)) << text;
  }
}

}  // namespace
}  // namespace lumra::ja
