#include "core/base/interruption.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/alignment/partial_alignment.h"
#include "core/alignment/reading_list.h"
#include "core/alignment/reading_span_scorers.h"
#include "core/base/utf8.h"
#include "core/batch/distance_matrix.h"
#include "core/lattice/lattice.h"
#include "core/lattice/lattice_distance.h"
#include "core/lattice/path_metrics.h"
#include "core/strings/string_metrics.h"
#include "counting_source.h"

namespace lumra {
namespace {

using test_support::CountingSource;

SymbolString random_text(std::mt19937& gen, std::size_t length, Symbol letters) {
  std::vector<Symbol> symbols(length);
  for (Symbol& s : symbols) s = 'a' + gen() % letters;
  return SymbolString(Symbols(symbols));
}

std::vector<SymbolString> random_texts(std::mt19937& gen, std::size_t count, std::size_t length) {
  std::vector<SymbolString> texts;
  for (std::size_t i = 0; i < count; ++i) texts.push_back(random_text(gen, length, 4));
  return texts;
}

// A computation long enough to poll its source many times; `typed` tells
// whether it reports a stop as Interrupted or ends with a meaningless
// value. Each returns a fingerprint of its result.
struct Computation {
  const char* name;
  bool typed;
  std::function<std::string()> run;
};

template <class T, class E>
std::string fingerprint(const Result<T, E>& result, std::function<std::string(const T&)> of) {
  if (result.ok()) return of(result.value());
  if (std::holds_alternative<Interrupted>(result.error())) return "interrupted";
  return "error";
}

std::string cells_of(const DistanceMatrix<std::uint64_t>& m) {
  std::string out;
  for (std::size_t i = 0; i < m.rows * m.cols; ++i) out += std::to_string(m.cells[i]) + ",";
  return out;
}

std::string alignment_of(const std::optional<Alignment<double>>& a) {
  return a ? std::to_string(a->score) + "@" + std::to_string(a->span_start) : "none";
}

std::vector<Computation> computations() {
  static std::mt19937 gen(16);
  static const TextTable short_words = TextTable::of(random_texts(gen, 200, 12));   // lanes
  static const TextTable long_words = TextTable::of(random_texts(gen, 120, 150));   // row by row
  static const SymbolString query = random_text(gen, 200, 4);
  static const SymbolString text = random_text(gen, 4000, 4);
  static const SymbolString huge_left = random_text(gen, 20000, 8);
  static const SymbolString huge_right = random_text(gen, 20000, 8);
  static const PathLattice left = PathLattice::from_paths_compact(random_texts(gen, 60, 40)).value();
  static const PathLattice right = PathLattice::from_paths_compact(random_texts(gen, 60, 40)).value();
  static const auto left_paths = random_texts(gen, 55, 70);
  static const auto right_paths = random_texts(gen, 55, 70);
  // Two reading lists of 300 readings each, as a dictionary span may have.
  static const auto reading_list = [] {
    ReadingList list;
    for (const SymbolString& text : random_texts(gen, 300, 20)) list.push_back(encode_utf8(text));
    return list;
  };
  static const ReadingList query_readings = reading_list();
  static const ReadingList span_readings = reading_list();
  return {
      {"lane matrix", true,
       [] {
         return fingerprint<DistanceMatrix<std::uint64_t>>(
             levenshtein_matrix(short_words, short_words, std::nullopt), cells_of);
       }},
      {"row matrix", true,
       [] {
         return fingerprint<DistanceMatrix<std::uint64_t>>(osa_matrix(long_words, long_words, 9),
                                                           cells_of);
       }},
      {"ratio alignment", true,
       [] {
         return fingerprint<std::optional<Alignment<double>>>(
             partial_ratio_alignment(query, text, 400, std::nullopt), alignment_of);
       }},
      {"scored spans", true,
       [] {
         // The generic search, as the dictionaries use it.
         auto found = partial_alignment(
             Symbols(query).subspan(0, 30), Symbols(text).subspan(0, 300), 60,
             RatioForm{std::nullopt}, [](const TextSpan& span) {
               return Result<std::optional<double>, CoreError>(
                   std::optional<double>(1.0 / (1.0 + double(span.end - span.start))));
             });
         return fingerprint<std::optional<Alignment<double>>>(found, alignment_of);
       }},
      {"reading ratio span", true,
       [] {
         ReadingRatioScorer scorer(query_readings, std::nullopt);
         return fingerprint<std::optional<double>>(
             scorer.score(span_readings, 20, std::nullopt),
             [](const std::optional<double>& s) { return s ? std::to_string(*s) : "none"; });
       }},
      {"reading distance span", true,
       [] {
         const std::uint64_t nodes = ReadingDistanceScorer::query_node_count(query_readings).value();
         ReadingDistanceScorer scorer(query_readings, nodes, std::nullopt);
         return fingerprint<std::optional<std::uint64_t>>(
             scorer.score(span_readings, 20, std::nullopt),
             [](const std::optional<std::uint64_t>& d) { return d ? std::to_string(*d) : "none"; });
       }},
      {"long strings", false,
       [] {
         StringWorkspace workspace;
         return std::to_string(levenshtein_with_cutoff(huge_left, huge_right, std::nullopt, workspace));
       }},
      {"lattice table", false,
       [] {
         LatticeWorkspace workspace;
         return std::to_string(lattice_damerau(left, right, workspace).value());
       }},
      {"lattice search", false,
       [] { return std::to_string(lattice_within_levenshtein(left, right, 30).value()); }},
      {"arc list", true,
       [] {
         std::vector<LatticeArc> chain;
         for (std::uint64_t node = 0; node < 200000; ++node) chain.push_back({node, node + 1, 'a'});
         return fingerprint<PathLattice>(
             PathLattice::from_arcs(200001, 0, 200000, chain), [](const PathLattice& lattice) {
               return std::to_string(lattice.node_count()) + "/" +
                      std::to_string(lattice.arcs().size());
             });
       }},
      {"path pairs", false,
       [] {
         return std::to_string(distance_paths(left_paths, right_paths, std::nullopt, PathListNames{}).value());
       }},
  };
}

class InterruptionTest : public testing::TestWithParam<std::size_t> {
 protected:
  Computation computation() const { return computations()[GetParam()]; }
};

TEST_P(InterruptionTest, AWatchingSourceChangesNothing) {
  const Computation c = computation();
  const std::string alone = c.run();
  CountingSource never(0);
  {
    ScopedInterruptionSource installed(never);
    EXPECT_EQ(c.run(), alone) << c.name;
  }
  EXPECT_GT(never.polls, 0) << c.name << " never asked its source";
}

TEST_P(InterruptionTest, AStopEndsTheComputationAtThatPoll) {
  const Computation c = computation();
  CountingSource stop(1);
  std::string stopped;
  {
    ScopedInterruptionSource installed(stop);
    stopped = c.run();
  }
  EXPECT_EQ(stop.polls, 1) << c.name;
  EXPECT_TRUE(stop.stopped());
  if (c.typed) {
    EXPECT_EQ(stopped, "interrupted") << c.name;
  }
}

INSTANTIATE_TEST_SUITE_P(Loops, InterruptionTest,
                         testing::Range<std::size_t>(0, computations().size()));

TEST(Interruption, SourcesNestAndStayOnTheirThread) {
  CountingSource outer(0);
  CountingSource inner(0);
  EXPECT_EQ(installed_interruption_source(), nullptr);
  {
    ScopedInterruptionSource a(outer);
    {
      ScopedInterruptionSource b(inner);
      EXPECT_EQ(installed_interruption_source(), &inner);
      InterruptionSource* elsewhere = &inner;
      std::thread([&] { elsewhere = installed_interruption_source(); }).join();
      EXPECT_EQ(elsewhere, nullptr);
    }
    EXPECT_EQ(installed_interruption_source(), &outer);
  }
  EXPECT_EQ(installed_interruption_source(), nullptr);
}

TEST(Interruption, AStoppedSourceStopsEveryLaterPollAtOnce) {
  CountingSource stop(1);
  ScopedInterruptionSource installed(stop);
  InterruptionPoll first;
  EXPECT_TRUE(first.stop_after(kWorkBetweenChecks));
  InterruptionPoll later;
  EXPECT_TRUE(later.stop_after(1));
  EXPECT_EQ(stop.polls, 1);
}

}  // namespace
}  // namespace lumra
