// Every builder of a lattice reports a stop of the thread's interruption
// source as an error, wherever PathLattice::from_arcs meets it, and builds
// exactly as before when nothing stops it.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <variant>
#include <vector>

#include "core/base/interruption.h"
#include "core/lattice/lattice.h"
#include "core/lattice/merged_lattice.h"
#include "core/lattice/path_list.h"
#include "ja/reading/reading_lattice.h"
#include "ja/unidic/segmentation.h"
#include "zh/index/map_reading_index.h"
#include "zh/reading/pinyin_readings.h"
#include "zh/reading/pinyin_segmentation.h"
#include "../core/counting_source.h"
#include "../ja/ja_test_support.h"

namespace lumra {
namespace {

using test_support::CountingSource;

// "ok" with the lattice's size, or the error's message.
template <class E, class Describe>
std::string outcome(const Result<PathLattice, E>& built, Describe describe) {
  if (!built.ok()) return describe(built.error());
  return "ok " + std::to_string(built.value().node_count()) + "/" +
         std::to_string(built.value().arcs().size());
}

std::string of_lattice(const Result<PathLattice, LatticeError>& built) {
  return outcome(built, [](const LatticeError& e) { return message(e); });
}

// Tens of thousands of arcs each, enough for from_arcs to poll.
std::vector<std::vector<Symbol>> random_paths() {
  std::mt19937 rng(5);
  std::vector<std::vector<Symbol>> paths(3000);
  for (auto& path : paths) {
    for (int k = 0; k < 40; ++k) path.push_back('a' + rng() % 4);
  }
  return paths;
}

std::unique_ptr<zh::ZhReadingIndex> zhong_index() {
  zh::ZhReadingIndexPayload payload{1, std::string(zh::kZhPayloadType), "tone3", {}};
  payload.entries.push_back({"中", {"zhong1"}});
  return std::move(zh::build_zh_index(payload)).value();
}

struct Caller {
  const char* name;
  std::function<std::string()> build;
};

std::vector<Caller> callers() {
  static const auto paths = random_paths();
  static const ja::testing::MapReadingIndex ja_index;
  static const auto zh_index = zhong_index();
  static const auto repeat = [](std::string_view piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
  };
  return {
      {"from_arcs",
       [] {
         std::vector<LatticeArc> chain;
         for (std::uint64_t node = 0; node < 100000; ++node) chain.push_back({node, node + 1, 'a'});
         return of_lattice(PathLattice::from_arcs(100001, 0, 100000, std::move(chain)));
       }},
      {"from_paths", [] { return of_lattice(PathLattice::from_paths(paths)); }},
      {"from_paths_compact", [] { return of_lattice(PathLattice::from_paths_compact(paths)); }},
      {"path_list_lattice", [] { return of_lattice(path_list_lattice(paths)); }},
      {"japanese reading lattice",
       [] {
         return outcome(ja::reading_lattice(ja_index, repeat("あ", 70000), {}),
                        [](const auto& e) { return ja::message(e); });
       }},
      {"japanese compact reading lattice",
       [] {
         auto built = ja::compact_reading_lattice(ja_index, repeat("あ", 70000), {});
         if (!built.ok()) return ja::message(built.error());
         const PathLattice& lattice = built.value().lattice;
         return "ok " + std::to_string(lattice.node_count()) + "/" +
                std::to_string(lattice.arcs().size());
       }},
      {"chinese reading lattice",
       [] {
         return outcome(zh::pinyin_reading_lattice(*zh_index, repeat("中", 10000), {}),
                        [](const auto& e) { return zh::message(e); });
       }},
  };
}

class LatticeInterruption : public testing::TestWithParam<std::size_t> {};

TEST_P(LatticeInterruption, AStopAtAnyPollIsAnErrorAndNoStopChangesNothing) {
  const Caller caller = callers()[GetParam()];
  const std::string alone = caller.build();
  ASSERT_EQ(alone.rfind("ok ", 0), 0u) << caller.name << ": " << alone;
  CountingSource never(0);
  {
    ScopedInterruptionSource installed(never);
    EXPECT_EQ(caller.build(), alone) << caller.name;
  }
  ASSERT_GT(never.polls, 0) << caller.name;
  // The first poll, and the last, which falls in from_arcs.
  for (const int stop_at : {1, never.polls}) {
    CountingSource stop(stop_at);
    ScopedInterruptionSource installed(stop);
    EXPECT_EQ(caller.build(), "the computation was interrupted") << caller.name << " " << stop_at;
    EXPECT_EQ(stop.polls, stop_at) << caller.name;
  }
  CountingSource late(never.polls + 1);
  ScopedInterruptionSource installed(late);
  EXPECT_EQ(caller.build(), alone) << caller.name;
}

INSTANTIATE_TEST_SUITE_P(Builders, LatticeInterruption,
                         testing::Range<std::size_t>(0, callers().size()));

TEST(LatticeInterruption, MergingStopsWithInterrupted) {
  const PathLattice built = PathLattice::from_paths(random_paths()).value();
  ASSERT_TRUE(merge_equivalent_nodes(built).ok());
  CountingSource stop(1);
  ScopedInterruptionSource installed(stop);
  const auto merged = merge_equivalent_nodes(built);
  ASSERT_FALSE(merged.ok());
  EXPECT_TRUE(std::holds_alternative<Interrupted>(merged.error()));
}

// Every position of a text of one readable character reads one way, but
// has up to max_span_chars spans to look up: the lookups are the work, and
// the source must hear of it every so often, not once per thousands of
// positions (a Ctrl-C was seen a second late).
TEST(SegmentationInterruption, LookupsCountAsWork) {
  ja::ReadingOptions options;
  options.max_span_chars = 256;
  std::string zh_text, ja_text;
  for (int i = 0; i < 2000; ++i) zh_text += "中", ja_text += "日";
  // About 2000 * 256 lookups of 64 + 380 units each: some 900 polls.
  constexpr int kFewestPolls = 300;

  const auto zh_index = zhong_index();
  CountingSource zh_polls(0);
  {
    ScopedInterruptionSource installed(zh_polls);
    zh::PinyinReadingTable table;
    ASSERT_TRUE(table.build(*zh_index, zh_text, options, false).ok());
    EXPECT_EQ(table.string_count(), 1u);
  }
  EXPECT_GE(zh_polls.polls, kFewestPolls);

  const ja::testing::MapReadingIndex ja_index(
      std::map<std::string, std::vector<std::string>>{{"日", {"ひ"}}});
  CountingSource ja_polls(0);
  {
    ScopedInterruptionSource installed(ja_polls);
    ja::ReadingPathTable table;
    ASSERT_TRUE(table.build(ja_index, ja_text, options, false).ok());
    EXPECT_EQ(table.path_count(), 1u);
  }
  EXPECT_GE(ja_polls.polls, kFewestPolls);
}

}  // namespace
}  // namespace lumra
