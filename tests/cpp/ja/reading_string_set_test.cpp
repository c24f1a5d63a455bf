// The reading strings spelled into a trie against the written string form,
// and the best pair over tries against the plain pair loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/base/interruption.h"
#include "core/base/utf8.h"
#include "core/strings/similarity.h"
#include "core/strings/graded_dag.h"
#include "ja/reading/graded_spelling_graph.h"
#include "ja/reading/pair_similarity.h"
#include "ja/reading/preorder_search.h"
#include "ja/reading/preorder_trie.h"
#include "ja/reading/reading_similarity.h"
#include "ja/reading/reading_string_set.h"
#include "ja/reading/reading_strings.h"
#include "ja/reading/tree_pair_similarity.h"
#include "ja/romaji/expansion.h"
#include "ja/romaji/expansion_size.h"
#include "ja/romaji/split_units.h"
#include "ja/unidic/segmentation.h"
#include "../core/counting_source.h"
#include "ja_test_support.h"

namespace lumra::ja {
namespace {

using testing::MapReadingIndex;
using Entries = std::map<std::string, std::vector<std::string>>;

std::string pick(std::mt19937& random, const std::vector<std::string>& pool, std::size_t count) {
  std::string out;
  for (std::size_t i = 0; i < count; ++i) out += pool[random() % pool.size()];
  return out;
}

// Kana with many spellings, the long vowel mark, small kana and tsu, kana
// without a row, and readings that cannot be spelled at all.
const std::vector<std::string> kReadingKana = {"し", "ち", "ん", "っ", "ー", "か", "ゃ",
                                               "つ", "じ", "ぢ", "を", "お", "ゐ", "ふ"};
const std::vector<std::string> kSurfaces = {"日", "本", "語", "東", "京", "AB", "x", "日本", "本語"};
const std::vector<std::string> kTextChars = {"日", "本", "語", "東", "京", "し", "っ", "ー", "ゃ",
                                             "A",  "B",  "x",  " ",  "、", "漢", "ゐ", "ち"};

MapReadingIndex random_index(std::mt19937& random) {
  Entries entries;
  for (const std::string& surface : kSurfaces) {
    if (random() % 4 == 0) continue;
    std::vector<std::string>& readings = entries[surface];
    for (std::size_t r = 1 + random() % 5; r > 0; --r) {
      readings.push_back(random() % 12 == 0 ? "漢" : pick(random, kReadingKana, 1 + random() % 4));
    }
  }
  return MapReadingIndex(std::move(entries));
}

ReadingOptions random_options(std::mt19937& random) {
  ReadingOptions options;
  if (random() % 3 == 0) options.max_readings_per_segment = 1 + random() % 2;
  options.max_span_chars = std::vector<std::uint64_t>{0, 1, 8}[random() % 3];
  options.max_paths = std::vector<std::uint64_t>{1, 3, 1024}[random() % 3];
  options.longest_only = random() % 2 == 0;
  return options;
}

// Now and then, with `long_ones`, long enough to pass the expansion limits.
std::string random_text(std::mt19937& random, bool long_ones) {
  if (long_ones && random() % 10 == 0) return pick(random, {"し", "ち", "日", "ー"}, 8 + random() % 10);
  return pick(random, kTextChars, random() % 7);
}

std::string outcome(const Result<TextList, JapaneseDistanceError>& written) {
  return written.ok() ? "ok" : message(written.error());
}

std::set<std::string> strings_of(const ReadingStringSet& set) {
  std::set<std::string> out;
  for (const std::vector<Symbol>& string : set.strings()) out.insert(encode_utf8(string));
  return out;
}

// Every outcome of the written string form: the same strings, or the same
// error, in each form the set may take (a tree, a trie, and through a tiny
// trie the list it falls back to).
TEST(ReadingStringSet, HoldsTheStringsOfTheWrittenForm) {
  std::mt19937 random(3);
  int failures = 0;
  std::map<ReadingStringSet::Form, int> forms;
  for (int round = 0; round < 2000; ++round) {
    const MapReadingIndex index = random_index(random);
    const ReadingOptions options = random_options(random);
    const std::string text = random_text(random, true);
    const std::size_t max_nodes = round % 5 == 0 ? 1 + random() % 40 : StringTrie::kDefaultMaxNodes;
    const auto written = reading_strings(index, text, options);
    failures += !written.ok();
    for (const bool tree : {true, false}) {
      const auto set = ReadingStringSet::of(index, text, options, max_nodes, tree);
      ASSERT_EQ(set.ok() ? "ok" : message(set.error()), outcome(written)) << text;
      if (!written.ok()) continue;
      ++forms[set.value().form()];
      const std::set<std::string> expected(written.value().begin(), written.value().end());
      EXPECT_EQ(strings_of(set.value()), expected) << text;
      EXPECT_EQ(set.value().size(), expected.size()) << text;
    }
  }
  // The rounds reach both outcomes and every form.
  EXPECT_GT(failures, 200);
  for (const auto form : {ReadingStringSet::Form::Tree, ReadingStringSet::Form::Trie,
                          ReadingStringSet::Form::Listed}) {
    EXPECT_GT(forms[form], 50);
  }
}

// The best pair of two texts' readings is the list search's over the
// written strings (itself checked against the plain pair loop in
// reading_test.cpp), errors in the same order, whichever forms the two
// sets take.
TEST(ReadingStringSet, BestSimilarityEqualsTheListSearch) {
  std::mt19937 random(8);
  StringWorkspace workspace;
  int compared = 0;
  for (int round = 0; round < 1500; ++round) {
    const MapReadingIndex index = random_index(random);
    const ReadingOptions options = random_options(random);
    const std::string left = random_text(random, false);
    const std::string right = random_text(random, false);
    const auto best = best_reading_similarity(index, left, right, options);
    const auto left_written = reading_strings(index, left, options);
    const auto right_written = left_written.ok() ? reading_strings(index, right, options)
                                                 : left_written;
    ASSERT_EQ(best.ok() ? "ok" : message(best.error()), outcome(right_written));
    if (!best.ok()) continue;
    auto decoded = [](const TextList& list) {
      std::vector<std::vector<Symbol>> out;
      for (std::string_view text : list) out.push_back(decode_utf8(text));
      return out;
    };
    const double expected = pruned_best_pair_similarity(decoded(left_written.value()),
                                                        decoded(right_written.value()), workspace);
    EXPECT_EQ(best.value(), expected) << left << " / " << right;
    // Now and then through tiny tries, which fall back to lists.
    const std::size_t max_nodes = round % 3 == 0 ? 4 : StringTrie::kDefaultMaxNodes;
    for (const int trees : {0, 1, 2}) {
      const auto l = ReadingStringSet::of(index, left, options, max_nodes, (trees & 1) != 0);
      const auto r = ReadingStringSet::of(index, right, options, max_nodes, (trees & 2) != 0);
      ASSERT_TRUE(l.ok() && r.ok());
      EXPECT_EQ(best_similarity(l.value(), r.value(), workspace), expected)
          << left << " / " << right << " " << trees;
    }
    // Two trees through their graphs at once, then again with the graphs
    // made, as the later cells of a matrix find them.
    const auto l = ReadingStringSet::of(index, left, options);
    const auto r = ReadingStringSet::of(index, right, options);
    ASSERT_TRUE(l.ok() && r.ok());
    for (int cell = 0; cell < 2; ++cell) {
      EXPECT_EQ(best_similarity(l.value(), r.value(), workspace, 0), expected)
          << left << " / " << right << " " << cell;
    }
    ++compared;
  }
  EXPECT_GT(compared, 250);
}

// A word read whole and read by its characters spells its strings twice:
// texts of many such words give the search hundreds of repeated strings on
// either side, which it makes distinct first, and the best pair is still
// the list search's.
TEST(ReadingStringSet, BestSimilarityOverRepeatedSpellings) {
  const MapReadingIndex index(Entries{{"日本", {"にほん"}}, {"日", {"に"}}, {"本", {"ほん"}}});
  StringWorkspace workspace;
  const std::vector<std::pair<std::string, std::string>> pairs = {
      {"日本日本日本日本日本", "日本日本日本日本"},
      {"日本日本日本日本", "日本日本日本日本日本"},
      {"日本日本日本日本", "にほんにぽんにほんにほむ"},
      {"にほんにぽんにほんにほむ", "日本日本日本日本"},
  };
  for (const auto& [left, right] : pairs) {
    const auto left_written = reading_strings(index, left, ReadingOptions{});
    const auto right_written = reading_strings(index, right, ReadingOptions{});
    ASSERT_TRUE(left_written.ok() && right_written.ok());
    std::vector<std::vector<Symbol>> l;
    std::vector<std::vector<Symbol>> r;
    for (std::string_view text : left_written.value()) l.push_back(decode_utf8(text));
    for (std::string_view text : right_written.value()) r.push_back(decode_utf8(text));
    const auto best = best_reading_similarity(index, left, right, ReadingOptions{});
    ASSERT_TRUE(best.ok());
    EXPECT_EQ(best.value(), pruned_best_pair_similarity(l, r, workspace)) << left << " / " << right;
  }
}

// The strings of a PreorderTrie, sorted, after checking each node's
// subtree and the lengths below it against the strings it holds.
std::vector<std::vector<Symbol>> preorder_strings(const PreorderTrie& trie) {
  const auto& nodes = trie.nodes();
  std::vector<std::vector<Symbol>> out;
  std::vector<Symbol> prefix;
  for (std::size_t k = 0; k < nodes.size(); ++k) {
    const PreorderTrie::Node& node = nodes[k];
    EXPECT_GT(node.end, k);
    EXPECT_LE(node.end, nodes.size());
    std::uint32_t shortest = ~std::uint32_t{0};
    std::uint32_t longest = 0;
    for (std::size_t below = k + 1; below < node.end; ++below) {
      EXPECT_GT(nodes[below].depth, node.depth);
      if (!nodes[below].ends_string) continue;
      shortest = std::min<std::uint32_t>(shortest, nodes[below].depth - node.depth);
      longest = std::max<std::uint32_t>(longest, nodes[below].depth - node.depth);
    }
    if (node.end == k + 1) shortest = 0;
    EXPECT_EQ(node.shortest_below, shortest) << k;
    EXPECT_EQ(node.longest_below, longest) << k;
    prefix.resize(node.depth);
    if (k > 0) prefix.back() = trie.letters()[node.letter];
    if (node.ends_string) out.push_back(prefix);
  }
  std::ranges::sort(out);
  return out;
}

// The strings of a graded graph, written out and sorted, each checked to
// be as long as the depth of the node it ends at; every arc must go one
// depth down.
std::vector<std::vector<Symbol>> graded_strings(const GradedDag& graph) {
  std::vector<std::vector<std::pair<std::uint32_t, Symbol>>> out(graph.node_count());
  for (std::uint32_t n = 0; n < graph.node_count(); ++n) {
    for (std::uint32_t a = graph.first_in[n]; a < graph.first_in[n + 1]; ++a) {
      const GradedDag::InArc arc = graph.in_arcs[a];
      EXPECT_EQ(graph.depth[arc.source] + 1, graph.depth[n]);
      out[arc.source].emplace_back(n, arc.symbol);
    }
  }
  std::vector<std::vector<Symbol>> strings;
  std::vector<Symbol> prefix;
  auto walk = [&](auto& self, std::uint32_t n) -> void {
    EXPECT_EQ(prefix.size(), graph.depth[n]);
    if (graph.final[n] != 0) strings.push_back(prefix);
    for (const auto& [to, symbol] : out[n]) {
      prefix.push_back(symbol);
      self(self, to);
      prefix.pop_back();
    }
  };
  walk(walk, 0);
  std::ranges::sort(strings);
  strings.erase(std::unique(strings.begin(), strings.end()), strings.end());
  return strings;
}

// The tree search against the plain pair loop over the written-out strings
// of random trees: many paths of kana with several spellings each, long
// vowel marks, raw ASCII and punctuation. Sides that share little keep the
// best low and the rows wide (bit rows), a high best narrows them (banded
// rows), and now and then texts past 64 symbols take banded rows whatever
// their width. Each search runs with the inner side spelled into a trie
// after the first text as well, and the trie walk runs alone.
TEST(TreeBestPairSimilarity, EqualsThePlainPairLoopOnRandomTrees) {
  std::mt19937 random(17);
  const std::vector<std::vector<std::string>> pools = {
      {"し", "ち", "つ", "じ", "ー", "っ", "ん", "お", "う", "しゃ", "ちょ"},
      {"か", "な", "ま", "ら", "ー", "A", "Z", "1", "、", "!"},
      {"か", "な", "ま", "ら", "A", "1", "、"}};  // one spelling each
  auto tree_of = [&](const std::vector<std::string>& pool, std::size_t longest) {
    SpellingTree tree;
    std::uint64_t spelled = 0;
    for (std::size_t path = 1 + random() % 12; path > 0; --path) {
      const auto units = split_romaji_units(pick(random, pool, random() % (longest + 1)), true);
      const auto lists = unit_variant_lists(units.value());
      if (!lists.ok()) continue;
      spelled += expansion_size(lists.value(), 1 << 16, 1 << 20).strings;
      EXPECT_TRUE(tree.add(lists.value()));
    }
    tree.finish();
    return std::pair(std::move(tree), spelled);
  };
  StringWorkspace workspace;
  int compared = 0;
  for (int round = 0; round < 1500; ++round) {
    const bool long_ones = round % 50 == 0;
    const std::size_t longest = long_ones ? 130 + random() % 40 : 1 + random() % 8;
    const auto [inner, inner_spelled] = tree_of(pools[long_ones ? 2 : random() % 2], longest);
    const auto [outer, outer_spelled] = tree_of(pools[long_ones ? 2 : random() % 2], longest);
    const auto inner_strings = inner.strings();
    const auto outer_strings = outer.strings();
    if (inner_strings.size() * outer_strings.size() > 50000) continue;
    const double expected = best_pair_similarity(inner_strings, outer_strings, workspace);
    const auto inner_graph = graded_spelling_graph(inner);
    const auto outer_graph = graded_spelling_graph(outer);
    ASSERT_TRUE(inner_graph.has_value() && outer_graph.has_value());
    EXPECT_EQ(graded_strings(*inner_graph), inner_strings) << round;
    EXPECT_EQ(graded_strings(*outer_graph), outer_strings) << round;
    EXPECT_EQ(graded_best_similarity(*inner_graph, *outer_graph), expected) << round;
    EXPECT_EQ(graded_best_similarity(*outer_graph, *inner_graph), expected) << round;
    // Narrowed by what some pair reaches, from a loose band (a pair of
    // strings drawn at random) to the tightest (the best itself).
    for (int draw = 0; draw < 4 && !inner_strings.empty() && !outer_strings.empty(); ++draw) {
      const std::vector<std::vector<Symbol>> a = {inner_strings[random() % inner_strings.size()]};
      const std::vector<std::vector<Symbol>> b = {outer_strings[random() % outer_strings.size()]};
      const double reached = draw == 3 ? expected : best_pair_similarity(a, b, workspace);
      EXPECT_EQ(graded_best_similarity(*inner_graph, *outer_graph, reached), expected) << round;
      EXPECT_EQ(graded_best_similarity(*outer_graph, *inner_graph, reached), expected) << round;
    }
    if (inner.node_count() > 8) {
      EXPECT_FALSE(graded_spelling_graph(inner, 4).has_value());
    }
    for (const std::uint64_t rows_before_spelling : {kRowsBeforeSpelling, std::uint64_t{0}}) {
      EXPECT_EQ(tree_best_pair_similarity(inner, outer, outer_spelled, rows_before_spelling),
                expected)
          << round;
      EXPECT_EQ(tree_best_pair_similarity(outer, inner, inner_spelled, rows_before_spelling),
                expected)
          << round;
    }
    // Paused every few rows and resumed, the search ends as in one run, and
    // what it has reached when paused never passes the best.
    TreePairSearch paused(inner, outer, outer_spelled, round % 2 == 0 ? kRowsBeforeSpelling : 0);
    std::optional<double> found;
    for (std::uint64_t rows = 1; !found; rows += 1 + rows / 4 + random() % 8) {
      found = paused.run(rows);
      if (!found) {
        EXPECT_LE(paused.reached(), expected) << round;
      }
    }
    EXPECT_EQ(*found, expected) << round;
    // The trie walk alone, each outer string through the inner trie.
    const auto trie = PreorderTrie::spell(inner, ~std::uint64_t{0}, 1 << 20);
    ASSERT_TRUE(trie.has_value());
    EXPECT_EQ(preorder_strings(*trie), inner_strings) << round;
    PreorderSearch search(*trie);
    double best = 0.0;
    auto taken = [](const std::vector<Symbol>& text) { return PreorderSearch::takes(text); };
    for (const auto& text : outer_strings) {
      if (taken(text)) search.raise_best(text, best);
    }
    if (std::ranges::all_of(outer_strings, taken)) {
      EXPECT_EQ(best, expected) << round;
    } else {
      EXPECT_LE(best, expected) << round;
    }
    ++compared;
  }
  EXPECT_GT(compared, 1000);
}

// The counted size of an expansion says exactly when the written one fails
// on a limit, and how many bytes it writes when it does not.
TEST(ExpansionSize, AgreesWithTheWrittenExpansion) {
  std::mt19937 random(21);
  const std::vector<std::string> pool = {"し", "ち", "ー", "ん", "っ", "か", "お", "、", "A", "ゃ"};
  for (int round = 0; round < 3000; ++round) {
    const auto units = split_romaji_units(pick(random, pool, random() % 12), true);
    ASSERT_TRUE(units.ok());
    const auto lists = unit_variant_lists(units.value());
    if (!lists.ok()) continue;
    const std::uint64_t max_paths = 1 + random() % 400;
    const std::uint64_t max_symbols = 1 + random() % 4000;
    const ExpansionSize size = expansion_size(lists.value(), max_paths, max_symbols);
    const auto written = expand_romaji_units(units.value(), max_paths, max_symbols);
    ASSERT_EQ(size.within_limits, written.ok());
    if (written.ok()) {
      EXPECT_EQ(size.strings, written.value().size());
      EXPECT_EQ(size.bytes, written.value().total_bytes());
      // Limits past 32 bits are counted with saturating sums instead.
      const ExpansionSize wide = expansion_size(lists.value(), 1ull << 40, 1ull << 40);
      EXPECT_EQ(wide.strings, written.value().size());
      EXPECT_EQ(wide.bytes, written.value().total_bytes());
    }
  }
}

// Measured one after the other, list sequences that begin with the lists
// of the one before are sized as on their own.
TEST(ExpansionMeter, AgreesWithExpansionSize) {
  std::mt19937 random(5);
  const std::vector<std::string> pool = {"し", "ち", "ー", "ん", "っ", "か", "お", "A", "ゃ"};
  ExpansionMeter meter(300, 3000);
  UnitVariantLists previous;
  for (int round = 0; round < 3000; ++round) {
    const auto units = split_romaji_units(pick(random, pool, random() % 8), true);
    ASSERT_TRUE(units.ok());
    const auto tail = unit_variant_lists(units.value());
    if (!tail.ok()) continue;
    const std::size_t kept = previous.empty() ? 0 : random() % (previous.size() + 1);
    UnitVariantLists lists(previous.begin(), previous.begin() + static_cast<std::ptrdiff_t>(kept));
    lists.insert(lists.end(), tail.value().begin(), tail.value().end());
    const ExpansionSize expected = expansion_size(lists, 300, 3000);
    const ExpansionSize measured = meter.measure(lists, kept);
    ASSERT_EQ(measured.within_limits, expected.within_limits);
    EXPECT_EQ(measured.strings, expected.strings);
    EXPECT_EQ(measured.bytes, expected.bytes);
    previous = std::move(lists);
  }
}

// Spelling a text's strings and searching them are long work: the
// interruption source hears of both, beyond what the segmentation tells
// it, and a stop ends the call, in either form.
TEST(ReadingStringSet, PollsTheInterruptionSource) {
  const MapReadingIndex index(Entries{
      {"日", {"かきくけこかきくけこ", "さすせそなにぬねのは", "まみむめもやゆよらり", "かかかかかかかかかか",
              "なななななななななな"}},
      {"月", {"ぱぴぷぺぽぱぴぷぺぽ", "ばびぶべぼばびぶべぼ"}}});
  ReadingOptions options;
  options.max_paths = 16384;
  const std::string text = "日日日日日日日日";
  ReadingPathTable table;
  test_support::CountingSource segmenting(0);
  {
    ScopedInterruptionSource installed(segmenting);
    ASSERT_TRUE(table.build(index, text, options, false).ok());
  }
  ASSERT_EQ(table.path_count(), 16384u);
  for (const bool tree : {true, false}) {
    test_support::CountingSource counting(0);
    {
      ScopedInterruptionSource installed(counting);
      ASSERT_TRUE(ReadingStringSet::of(index, text, options, StringTrie::kDefaultMaxNodes, tree).ok());
    }
    EXPECT_GE(counting.polls, segmenting.polls + 2) << tree;
    test_support::CountingSource stopping(1);
    ScopedInterruptionSource installed(stopping);
    EXPECT_FALSE(ReadingStringSet::of(index, text, options, StringTrie::kDefaultMaxNodes, tree).ok());
  }
  const auto left = ReadingStringSet::of(index, text, options);
  const auto right = ReadingStringSet::of(index, "月月月月", options);
  ASSERT_TRUE(left.ok() && right.ok());
  StringWorkspace workspace;
  test_support::CountingSource searching(0);
  ScopedInterruptionSource installed(searching);
  best_similarity(left.value(), right.value(), workspace);
  EXPECT_GE(searching.polls, 3);
  // Through the graphs at once: making them and filling their table poll
  // too.
  const auto fresh_left = ReadingStringSet::of(index, text, options);
  const auto fresh_right = ReadingStringSet::of(index, "月月月月", options);
  ASSERT_TRUE(fresh_left.ok() && fresh_right.ok());
  test_support::CountingSource graphs(0);
  ScopedInterruptionSource graphs_installed(graphs);
  best_similarity(fresh_left.value(), fresh_right.value(), workspace, 0);
  EXPECT_GE(graphs.polls, 2);
}

// Texts that read nothing alike take the searches to the graphs, which the
// sets keep: a later search, from any thread, takes them as they are and
// finds the same best pair, and the sets' sizes count them.
TEST(ReadingStringSet, KeepsTheGraphsOfItsFirstLongSearch) {
  const MapReadingIndex index(Entries{
      {"日", {"かきくけこかきくけこ", "さすせそなにぬねのは", "まみむめもやゆよらり", "かかかかかかかかかか",
              "なななななななななな"}},
      {"月", {"ぱぴぷぺぽぱぴぷぺぽ", "ばびぶべぼばびぶべぼ"}}});
  auto sets = [&] {
    auto left = ReadingStringSet::of(index, "日日日", ReadingOptions{});
    auto right = ReadingStringSet::of(index, "月月", ReadingOptions{});
    EXPECT_TRUE(left.ok() && right.ok());
    return std::pair(std::move(left).value(), std::move(right).value());
  };
  StringWorkspace workspace;
  const auto [left, right] = sets();
  const double expected = pruned_best_pair_similarity(left.strings(), right.strings(), workspace);
  const std::size_t unsearched = left.memory_bytes() + right.memory_bytes();
  ASSERT_FALSE(left.graph_made() || right.graph_made());
  EXPECT_EQ(best_similarity(left, right, workspace, 0), expected);
  ASSERT_TRUE(left.graph_made() && right.graph_made());
  const std::size_t searched = left.memory_bytes() + right.memory_bytes();
  EXPECT_GT(searched, unsearched);
  EXPECT_EQ(best_similarity(right, left, workspace, 0), expected);
  // Threads that all find no graph make one each; one is kept, as large as
  // the one a single thread makes.
  const auto [shared_left, shared_right] = sets();
  std::vector<std::thread> threads;
  std::vector<double> found(4 * 8, -1.0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      StringWorkspace own;
      for (int call = 0; call < 8; ++call) {
        found[t * 8 + call] = best_similarity(shared_left, shared_right, own, 0);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(found, std::vector<double>(found.size(), expected));
  EXPECT_EQ(shared_left.memory_bytes() + shared_right.memory_bytes(), searched);
}

// Eighteen readings of about a megabyte of romaji each pass the bound on a
// text's strings together, with the written form's numbers.
TEST(ReadingStringSet, FailsOnTheGatheredBytesAsWritten) {
  std::vector<std::string> readings;
  for (const char* tail : {"か", "き", "く", "け", "こ", "さ", "す", "せ", "そ", "た", "て", "と",
                           "な", "に", "ぬ", "ね", "の", "は"}) {
    readings.push_back("しししししししししち" + std::string(tail));
  }
  const MapReadingIndex index(Entries{{"日", readings}});
  const auto written = reading_strings(index, "日", ReadingOptions{});
  ASSERT_FALSE(written.ok());
  const std::string expected = message(written.error());
  EXPECT_NE(expected.find("expanded romaji symbols limit"), std::string::npos) << expected;
  EXPECT_NE(expected.find("> 16777216"), std::string::npos) << expected;
  const auto set = ReadingStringSet::of(index, "日", ReadingOptions{});
  ASSERT_FALSE(set.ok());
  EXPECT_EQ(message(set.error()), expected);
}

}  // namespace
}  // namespace lumra::ja
