// Paths added where they differ from the path before, against the same
// paths taken one by one from scratch: the walk over a segmentation, the
// resuming splitter, the joined variant lists and the resuming lattice
// builders must give exactly what the plain forms give, failures and node
// and expansion limits included.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "ja/reading/path_list_walker.h"
#include "ja/reading/path_lists.h"
#include "ja/reading/path_romaji.h"
#include "ja/reading/table_path_adder.h"
#include "ja/romaji/lattice_builder.h"
#include "ja/romaji/resuming_splitter.h"
#include "ja/romaji/split_units.h"
#include "ja/unidic/reading_path_walker.h"
#include "ja/unidic/segmentation.h"
#include "ja_test_support.h"

namespace lumra::ja {
namespace {

using testing::lattice_strings;
using testing::MapReadingIndex;
using testing::random_text;
using Strings = std::vector<std::string>;

// Half the time the next text keeps a beginning of the one before, cut
// anywhere, even inside a character.
std::string next_text(std::mt19937& random, const std::string& before, const Strings& alphabet) {
  if (random() % 2 == 0 || before.empty()) return random() % 10 == 0 ? "" : random_text(random, alphabet, 8);
  return before.substr(0, random() % (before.size() + 1)) + random_text(random, alphabet, 4);
}

std::string outcome(const Status<JapaneseDistanceError>& status) {
  return status.ok() ? "ok" : message(status.error());
}

TEST(ResumingSplitter, SplitsEveryTextAsOnItsOwn) {
  const Strings alphabet = {"き", "ゃ", "キ", "ョ", "っ", "ー", "ゐ", "a", "k", " ", "、",
                            "漢", "\xE3\x81", "\xFF", "\xE3\x82\x83"};
  std::mt19937 random(3);
  ResumingSplitter splitter;
  std::string text;
  for (int round = 0; round < 20000; ++round) {
    text = next_text(random, text, alphabet);
    const bool punctuation = random() % 8 != 0;
    auto expected = split_romaji_units(text, punctuation);
    auto got = splitter.split(text, punctuation);
    ASSERT_EQ(outcome(got), expected.ok() ? "ok" : message(expected.error())) << text;
    if (expected.ok()) {
      ASSERT_EQ(std::vector<RomajiUnit>(splitter.units().begin(), splitter.units().end()),
                expected.value())
          << text;
    }
  }
}

struct Dictionary {
  std::map<std::string, std::vector<std::string>> entries;
  std::string text;
};

// Many readings per surface give tables of hundreds of paths that share
// their beginnings in every way.
Dictionary random_dictionary(std::mt19937& random) {
  const Strings surface_alphabet = {"日", "本", "中", "か", "ゃ", "A", "、"};
  const Strings reading_alphabet = {"か", "な", "き", "し", "ゃ", "っ", "ー", "ゐ", "お", "、", "k"};
  Dictionary out;
  auto readings = [&] {
    std::vector<std::string> list;
    for (std::size_t r = 1 + random() % 8; r > 0; --r) {
      std::string reading = random_text(random, reading_alphabet, 2);
      if (std::find(list.begin(), list.end(), reading) == list.end()) list.push_back(reading);
    }
    return list;
  };
  // Most characters read on their own, so that most texts segment.
  for (const std::string& c : surface_alphabet) {
    if (random() % 5 != 0) out.entries[c] = readings();
  }
  for (std::size_t e = random() % 6; e > 0; --e) out.entries[random_text(random, surface_alphabet, 3)] = readings();
  out.text = random_text(random, surface_alphabet, 5);
  return out;
}

TEST(ReadingPathWalker, WalksThePathsOfTheTable) {
  std::mt19937 random(11);
  std::size_t paths = 0;
  for (int round = 0; round < 1500; ++round) {
    const Dictionary d = random_dictionary(random);
    const MapReadingIndex index(d.entries);
    ReadingOptions options;
    options.max_paths = std::vector<std::uint64_t>{1, 2, 7, 1024}[random() % 4];
    ReadingPathTable table;
    ASSERT_TRUE(table.build(index, d.text, options, random() % 2 == 0).ok());
    ReadingPathWalker walker(table);
    std::vector<ReadingSegment> before;
    for (std::size_t path = 0; path < table.path_count(); ++path) {
      ASSERT_TRUE(walker.next());
      std::vector<ReadingSegment> expected;
      table.for_each_segment(path, [&](const ReadingSegment& s) { expected.push_back(s); });
      ASSERT_EQ(walker.segments().size(), expected.size());
      std::string text;
      for (std::size_t k = 0; k < expected.size(); ++k) {
        const ReadingSegment& got = walker.segments()[k];
        EXPECT_EQ(got.surface, expected[k].surface);
        EXPECT_EQ(got.reading, expected[k].reading);
        EXPECT_EQ(got.raw, expected[k].raw);
        EXPECT_EQ(walker.text_offset(k), text.size());
        text += expected[k].reading;
        if (k < walker.same_segments()) {
          EXPECT_EQ(got.surface, before[k].surface);
          EXPECT_EQ(got.reading, before[k].reading);
          EXPECT_EQ(got.raw, before[k].raw);
        }
      }
      EXPECT_EQ(walker.text(), text);
      before = expected;
      ++paths;
    }
    EXPECT_FALSE(walker.next());
    EXPECT_FALSE(walker.next());
  }
  EXPECT_GT(paths, 4000u);
}

std::vector<std::string> spellings(const UnitVariantLists& lists) {
  std::vector<std::string> out;
  for (const std::optional<VariantList>& list : lists) {
    std::string& joined = out.emplace_back(list ? "" : "ー");
    for (std::size_t v = 0; list && v < list->size(); ++v) joined += std::string((*list)[v]) + "|";
  }
  return out;
}

// Each path's lists joined from its segments' own lists, against the lists
// of the path made alone, under limits tight enough to stop paths in every
// way; what the walker says stands from the last spelled path does.
TEST(PathListWalker, JoinsEachPathAsMadeAlone) {
  std::mt19937 random(31);
  std::map<PathListKind, int> kinds;
  std::size_t stood = 0;
  int straddling = 0;  // an ASCII consonant before a small ya in the next segment
  for (int round = 0; round < 1500; ++round) {
    Dictionary d = random_dictionary(random);
    // Now and then an empty reading, which a waiting small tsu or ASCII
    // consonant looks past.
    if (random() % 4 == 0 && !d.entries.empty()) d.entries.begin()->second.push_back("");
    const MapReadingIndex index(d.entries);
    ReadingOptions options;
    options.max_paths = std::vector<std::uint64_t>{1, 7, 1024}[random() % 3];
    ReadingPathTable table;
    ASSERT_TRUE(table.build(index, d.text, options, random() % 2 == 0).ok());
    const RomajiExpansionLimits limits{4 + random() % 12, 1 + random() % 64, 8 + random() % 64};
    PathListWalker walker(table, limits);
    PathLists alone(limits);
    std::vector<std::string> last_spelled;
    for (std::size_t path = 0; path < table.path_count(); ++path) {
      ASSERT_TRUE(walker.next());
      std::vector<ReadingSegment> segments;
      table.for_each_segment(path, [&](const ReadingSegment& s) { segments.push_back(s); });
      for (std::size_t k = 1; k < segments.size(); ++k) {
        straddling += segments[k - 1].reading.ends_with("k") && segments[k].reading.starts_with("ゃ");
      }
      const PathListKind expected = alone.make(segments);
      ASSERT_EQ(walker.kind(), expected) << d.text << " path " << path;
      ++kinds[expected];
      if (expected == PathListKind::kTooLong || expected == PathListKind::kUnspellable) continue;
      const std::vector<std::string> lists = spellings(walker.lists());
      ASSERT_EQ(lists, spellings(alone.lists())) << d.text << " path " << path;
      if (expected != PathListKind::kSpelled) continue;
      EXPECT_EQ(walker.size().strings, alone.size().strings);
      EXPECT_EQ(walker.size().bytes, alone.size().bytes);
      const std::size_t same = walker.lists_as_last_spelled();
      ASSERT_LE(same, std::min(lists.size(), last_spelled.size()));
      EXPECT_TRUE(std::equal(lists.begin(), lists.begin() + static_cast<std::ptrdiff_t>(same),
                             last_spelled.begin()));
      stood += same;
      last_spelled = lists;
    }
    EXPECT_FALSE(walker.next());
  }
  for (const PathListKind kind : {PathListKind::kTooLong, PathListKind::kUnspellable,
                                  PathListKind::kOverLimits, PathListKind::kSpelled}) {
    EXPECT_GT(kinds[kind], 300) << static_cast<int>(kind);
  }
  EXPECT_GT(straddling, 20);
  EXPECT_GT(stood, 1000u);
}

// The resumed adds against the plain per-path adds of the same builder
// kind, with node limits tight enough to stop some of them.
class TablePaths : public ::testing::TestWithParam<bool> {};

TEST_P(TablePaths, AddAsThePathsOneByOne) {
  const bool whole_texts = GetParam();
  std::mt19937 random(whole_texts ? 23 : 29);
  int stopped = 0;
  int lattices = 0;
  for (int round = 0; round < 1500; ++round) {
    const Dictionary d = random_dictionary(random);
    const MapReadingIndex index(d.entries);
    ReadingOptions options;
    options.max_paths = std::vector<std::uint64_t>{3, 20, 100}[random() % 3];
    ReadingPathTable table;
    ASSERT_TRUE(table.build(index, d.text, options, random() % 2 == 0).ok());
    const std::uint64_t max_nodes =
        random() % 3 == 0 ? 20 + random() % 200 : std::uint64_t{1} << 31;
    const int kind = static_cast<int>(random() % 3);
    auto make = [&] {
      if (kind == 0) return RomajiLatticeBuilder::compact(max_nodes);
      RomajiLatticeBuilder plain(max_nodes);
      return kind == 1 ? plain.counting() : plain;
    };

    RomajiLatticeBuilder expected_builder = make();
    PathRomajiConverter converter;
    Status<JapaneseDistanceError> expected = Unit{};
    std::string text;
    for (std::size_t path = 0; path < table.path_count() && expected.ok(); ++path) {
      std::vector<ReadingSegment> segments;
      table.for_each_segment(path, [&](const ReadingSegment& s) { segments.push_back(s); });
      if (whole_texts) {
        text.clear();
        table.append_text(path, text);
        expected = converter.add_reading_text(text, expected_builder);
      } else {
        expected = converter.add_path(segments, expected_builder);
      }
    }
    RomajiLatticeBuilder got_builder = make();
    TablePathAdder adder;
    const auto got = whole_texts ? adder.add_reading_texts(table, got_builder)
                                 : adder.add_paths(table, got_builder);
    ASSERT_EQ(outcome(got), outcome(expected)) << d.text;
    stopped += !expected.ok();
    if (!expected.ok() || kind == 1) continue;
    auto expected_lattice = expected_builder.finish();
    auto got_lattice = got_builder.finish();
    ASSERT_EQ(got_lattice.ok(), expected_lattice.ok()) << d.text;
    EXPECT_EQ(got_builder.built_node_count(), expected_builder.built_node_count()) << d.text;
    if (!expected_lattice.ok() || !expected_lattice.value()) continue;
    EXPECT_EQ(lattice_strings(*got_lattice.value()), lattice_strings(*expected_lattice.value()))
        << d.text;
    ++lattices;
  }
  EXPECT_GT(stopped, 50);
  EXPECT_GT(lattices, 400);
}

INSTANTIATE_TEST_SUITE_P(SegmentsAndWholeTexts, TablePaths, ::testing::Bool());

}  // namespace
}  // namespace lumra::ja
