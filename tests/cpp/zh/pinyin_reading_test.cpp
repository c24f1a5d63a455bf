#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <utility>
#include <variant>
#include <string>
#include <vector>

#include "core/base/interruption.h"
#include "core/base/utf8.h"
#include "core/segmentation/compact_tail_lattice.h"
#include "zh/index/map_reading_index.h"
#include "zh/reading/direct_input.h"
#include "zh/reading/pinyin_readings.h"
#include "zh/reading/pinyin_segmentation.h"
#include "zh/reading/sorted_strings_lattice.h"
#include "zh/reading/validate_reading_options.h"
#include "../core/counting_source.h"

namespace lumra::zh {
namespace {

using Entries = std::map<std::string, std::vector<std::string>>;
using Strings = std::vector<std::string>;

std::unique_ptr<ZhReadingIndex> make_index(const Entries& entries,
                                           std::string_view view = "tone3") {
  ZhReadingIndexPayload payload{1, std::string(kZhPayloadType), std::string(view), {}};
  for (const auto& [surface, readings] : entries) payload.entries.push_back({surface, readings});
  auto index = build_zh_index(payload);
  EXPECT_TRUE(index.ok()) << message(index.error());
  return std::move(index).value();
}

// Lookups of `broken` fail as a damaged indexed payload's would.
class FailingIndex : public ZhReadingIndex {
 public:
  FailingIndex(std::unique_ptr<ZhReadingIndex> inner, std::string broken)
      : ZhReadingIndex(inner->view()), inner_(std::move(inner)), broken_(std::move(broken)) {}
  Result<bool, ZhLoadError> lookup_readings(
      std::string_view surface, std::vector<std::string_view>& readings) const override {
    if (surface == broken_) return Fail(zh_errors::InvalidIndexedOffset{42});
    return inner_->lookup_readings(surface, readings);
  }
  std::uint64_t entry_count() const override { return inner_->entry_count(); }
  Status<ZhLoadError> for_each_canonical_entry(const EntryVisitor& visit) const override {
    return inner_->for_each_canonical_entry(visit);
  }

 private:
  std::unique_ptr<ZhReadingIndex> inner_;
  std::string broken_;
};

// The strings spelled by the start-to-end paths of `lattice`. Walked with
// an explicit stack: the lattices of long texts are thousands of arcs deep.
std::set<std::string> lattice_strings(const PathLattice& lattice) {
  std::set<std::string> out;
  std::vector<Symbol> prefix;
  // Each frame is a node and the next of its outgoing arcs to follow.
  std::vector<std::pair<std::uint64_t, std::size_t>> stack{{lattice.start(), 0}};
  if (lattice.start() == lattice.end()) out.insert(std::string());
  while (!stack.empty()) {
    auto& [node, next] = stack.back();
    const auto arcs = lattice.outgoing(node);
    if (next == arcs.size()) {
      stack.pop_back();
      if (!prefix.empty() && !stack.empty()) prefix.pop_back();
      continue;
    }
    const auto& arc = lattice.arc(arcs[next++]);
    prefix.push_back(arc.symbol);
    if (arc.dst == lattice.end()) out.insert(encode_utf8(prefix));
    stack.emplace_back(arc.dst, 0);
  }
  return out;
}

ReadingOptions options_with(auto&& change) {
  ReadingOptions options;
  change(options);
  return options;
}
const ReadingOptions kDefaults;

// ---- Direct input ------------------------------------------------------------

TEST(DirectInput, Normalizes) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Ni3 Hao3!", "ni3hao3!"},
      {"", ""},
      {"\t\u3000\u00A0\u2028", ""},
      {"Lu :4", "lv4"},           // white space goes first, so the pair forms
      {"LU:", "lv"},              // lower case before the pair
      {"u::u:", "v:v"},           // left to right, no overlap
      {"lü4", "lü4"},             // ü is not direct input, but stays as it is
      {"（Ａ，B）", "（Ａ，b）"},  // only ASCII letters change case
      {"a\x80" "B", "a\x80" "b"},  // a stray byte survives and breaks nothing
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(normalize_direct_input(text), expected);
}

TEST(DirectInput, RecognizesTheCharacterSet) {
  // Each range of the set by its bounds and the characters just outside.
  const std::vector<std::pair<std::string, bool>> cases = {
      {"", false},       {" ", true},       {"Zhong1Guo2!", true}, {"\x7F", true},
      {"中", false},     {"a中", false},    {"ü", false},          {"\u3000", true},
      {"\u00B7", true},  {"\u2015", true},  {"\u2016", false},      {"\u2018", true},
      {"\u2026", true},  {"\u3002", true},  {"\u3012", false},      {"\u3014", true},
      {"\u30FB", true},  {"\uFF01", true},  {"\uFF10", false},      {"\uFF20", true},
      {"\uFF21", false}, {"\uFF65", true},  {"\uFF66", false},      {"\u205F", true}};
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(is_direct_pinyin_input(text), expected) << text;
  }
}

// ---- Options ---------------------------------------------------------------------

struct OptionsCase {
  std::string name;
  ReadingOptions options;
  std::string expected;  // "" when valid
};

// Named, rather than dumped byte by byte.
void PrintTo(const OptionsCase& c, std::ostream* out) { *out << c.name; }

class ValidateOptions : public ::testing::TestWithParam<OptionsCase> {};

TEST_P(ValidateOptions, ChecksLimitsInOrderBeforeAnyWork) {
  const auto index = make_index({});
  auto status = validate_reading_options(GetParam().options);
  EXPECT_EQ(status.ok() ? "" : message(status.error()), GetParam().expected);
  // The routes check first, even for an empty text.
  auto lattice = pinyin_reading_lattice(*index, "", GetParam().options);
  ASSERT_FALSE(lattice.ok());
  EXPECT_EQ(message(lattice.error()), GetParam().expected.empty()
                                          ? "unsupported direct pinyin input \"\""
                                          : GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ValidateOptions,
    ::testing::Values(
        OptionsCase{"Defaults", {}, ""}, OptionsCase{"AtTheLimits", {256, 256, 16384, true}, ""},
        OptionsCase{"SpanFirst", {300, 257, 16385, false},
                    "zh artifact max_span_chars length/count 257 exceeds limit 256"},
        OptionsCase{"PathsSecond", {300, 8, 16385, false},
                    "zh artifact max_paths length/count 16385 exceeds limit 16384"},
        OptionsCase{"ReadingsLast", {300, 8, 1024, false},
                    "zh artifact max_readings_per_segment length/count 300 exceeds limit 256"}),
    [](const auto& info) { return info.param.name; });

// ---- Segmentation ------------------------------------------------------------------

const Entries kZhongGuo = {
    {"中", {"zhong1", "zhong4"}}, {"国", {"guo2"}}, {"中国", {"zhong1guo2", "zhong1guo5"}}};
// 中's readings sort after 中国's: the max_paths rule keeps what is formed first.
const Entries kLateSorting = {
    {"中", {"zhong4", "zhong3"}}, {"国", {"guo2"}}, {"中国", {"zhong1guo2"}}};

struct SegmentCase {
  std::string name;
  Entries entries;
  std::string text;
  ReadingOptions options;
  bool raw_runs;
  Strings expected;
};

void PrintTo(const SegmentCase& c, std::ostream* out) { *out << c.name; }

class Segmentation : public ::testing::TestWithParam<SegmentCase> {};

TEST_P(Segmentation, KeepsTheFirstStringsFormedInByteOrder) {
  const SegmentCase& c = GetParam();
  const auto index = make_index(c.entries);
  auto strings = segment_pinyin(*index, c.text, c.options, c.raw_runs);
  ASSERT_TRUE(strings.ok()) << message(strings.error());
  EXPECT_EQ(strings.value().to_strings(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Segmentation,
    ::testing::Values(
        SegmentCase{"UnionOfSegmentations", kZhongGuo, "中国", kDefaults, false,
                    {"zhong1guo2", "zhong1guo5", "zhong4guo2"}},
        SegmentCase{"LongestOnly", kZhongGuo, "中国",
                    options_with([](auto& o) { o.longest_only = true; }), false,
                    {"zhong1guo2", "zhong1guo5"}},
        SegmentCase{"LongestOnlyWithRawRuns", kZhongGuo, "中国",
                    options_with([](auto& o) { o.longest_only = true; }), true,
                    {"zhong1guo2", "zhong1guo5"}},
        SegmentCase{"SpanOfOne", kZhongGuo, "中国",
                    options_with([](auto& o) { o.max_span_chars = 1; }), false,
                    {"zhong1guo2", "zhong4guo2"}},
        SegmentCase{"FirstReadingOnly", kZhongGuo, "中国",
                    options_with([](auto& o) { o.max_readings_per_segment = 1; }), false,
                    {"zhong1guo2"}},
        SegmentCase{"NoReadings", kZhongGuo, "中国",
                    options_with([](auto& o) { o.max_readings_per_segment = 0; }), true, {}},
        SegmentCase{"MaxPathsOne", kLateSorting, "中国",
                    options_with([](auto& o) { o.max_paths = 1; }), false, {"zhong4guo2"}},
        SegmentCase{"MaxPathsDropsALaterSmallerString", kLateSorting, "中国",
                    options_with([](auto& o) { o.max_paths = 2; }), false,
                    {"zhong3guo2", "zhong4guo2"}},
        SegmentCase{"RawRunNeedsRawRuns", kZhongGuo, "abc中国", kDefaults, false, {}},
        SegmentCase{"RawRun", kZhongGuo, "abc中国", kDefaults, true,
                    {"abczhong1guo2", "abczhong1guo5", "abczhong4guo2"}},
        SegmentCase{"RawRunNormalized", {{"中国", {"zhong1guo2"}}}, "AB 中国", kDefaults, true,
                    {"abzhong1guo2"}},
        SegmentCase{"WhiteSpaceRunReadsEmpty", {{"中", {"zhong1"}}, {"国", {"guo2"}}},
                    "中\u3000国", kDefaults, true, {"zhong1guo2"}},
        // "a" alone is never offered as a raw run: the run from 0 is "ab".
        SegmentCase{"OnlyTheWholeRun", {{"b", {"bi4"}}, {"中", {"zhong1"}}}, "ab中", kDefaults,
                    true, {"abzhong1"}},
        // A raw run from the colon of "u:" (or from the space before it) has no
        // "u" before it and keeps the colon.
        SegmentCase{"RunFromTheColonOfAPair", {{"lu", {"lu4"}}, {"中", {"zhong1"}}}, "lu :中",
                    kDefaults, true, {"lu4:zhong1", "lvzhong1"}},
        SegmentCase{"MissingCharacter", kZhongGuo, "中x汉", kDefaults, true, {}}),
    [](const auto& info) { return info.param.name; });

// ---- Routes --------------------------------------------------------------------------

struct RouteCase {
  std::string name;
  Entries entries;
  std::string view;
  std::string text;
  ReadingOptions options;
  Strings expected;       // when it reads
  std::string error;      // otherwise
};

void PrintTo(const RouteCase& c, std::ostream* out) { *out << c.name; }

class Routes : public ::testing::TestWithParam<RouteCase> {};

TEST_P(Routes, GiveTheFirstRouteThatReads) {
  const RouteCase& c = GetParam();
  const auto index = make_index(c.entries, c.view);
  auto strings = pinyin_reading_strings(*index, c.text, c.options);
  auto lattice = pinyin_reading_lattice(*index, c.text, c.options);
  if (!c.error.empty()) {
    ASSERT_FALSE(strings.ok());
    ASSERT_FALSE(lattice.ok());
    EXPECT_EQ(message(strings.error()), c.error);
    EXPECT_EQ(message(lattice.error()), c.error);
    return;
  }
  ASSERT_TRUE(strings.ok()) << message(strings.error());
  ASSERT_TRUE(lattice.ok()) << message(lattice.error());
  EXPECT_EQ(strings.value().to_strings(), c.expected);
  EXPECT_EQ(lattice_strings(lattice.value()),
            std::set<std::string>(c.expected.begin(), c.expected.end()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Routes,
    ::testing::Values(
        RouteCase{"DirectInputKeepsToneDigits", {{"中国", {"zhongguo"}}}, "no-tone", "Zhong1Guo2",
                  kDefaults, {"zhong1guo2"}, ""},
        RouteCase{"DirectInputIgnoresTheIndex", {{"abc", {"x"}}}, "tone3", "abc", kDefaults,
                  {"abc"}, ""},
        RouteCase{"WhiteSpaceOnlyReadsEmpty", {}, "tone3", " \u3000", kDefaults, {""}, ""},
        RouteCase{"Dictionary", kZhongGuo, "tone3", "中国", kDefaults,
                  {"zhong1guo2", "zhong1guo5", "zhong4guo2"}, ""},
        // Segmentation alone reads 中 + a国, so runs are never tried.
        RouteCase{"RoutesDoNotMix", {{"中", {"zhong1"}}, {"国", {"guo2"}}, {"a国", {"a"}}},
                  "tone3", "中a国", kDefaults, {"zhong1a"}, ""},
        RouteCase{"RawRuns", kZhongGuo, "tone3", "abc中国", kDefaults,
                  {"abczhong1guo2", "abczhong1guo5", "abczhong4guo2"}, ""},
        RouteCase{"EmptyText", kZhongGuo, "tone3", "", kDefaults, {},
                  "unsupported direct pinyin input \"\""},
        RouteCase{"MissingHanAsGiven", kZhongGuo, "tone3", "A\t中汉", kDefaults, {},
                  "unsupported direct pinyin input \"A\\t中汉\""},
        RouteCase{"NoReadingsPerSegment", kZhongGuo, "tone3", "中国",
                  options_with([](auto& o) { o.max_readings_per_segment = 0; }), {},
                  "unsupported direct pinyin input \"中国\""}),
    [](const auto& info) { return info.param.name; });

TEST(Routes, WhiteSpaceOnlyIsTheOneNodeLattice) {
  const auto index = make_index({});
  auto lattice = pinyin_reading_lattice(*index, "  ", kDefaults);
  ASSERT_TRUE(lattice.ok());
  EXPECT_EQ(lattice.value().node_count(), 1u);
  EXPECT_TRUE(lattice.value().arcs().empty());
}

TEST(Routes, DistanceMatrixErrorKeepsTheCoreMessage) {
  const DistanceMatrixTooLarge core{5000, 4000, 16000000};
  EXPECT_EQ(message(ChineseDistanceError(chinese_errors::DistanceMatrix{core})),
            lumra::message(core));
}

TEST(Routes, LookupFailuresAreDictionaryErrors) {
  const FailingIndex index(make_index(kZhongGuo), "国");
  for (const std::string text : {"中国", "abc中国"}) {
    auto strings = pinyin_reading_strings(index, text, kDefaults);
    ASSERT_FALSE(strings.ok());
    EXPECT_EQ(message(strings.error()), "invalid zh indexed artifact readings offset 42");
  }
  EXPECT_TRUE(pinyin_reading_strings(index, "guo2", kDefaults).ok());  // never looked up
}

// ---- Properties on random dictionaries -----------------------------------------

const std::vector<std::string> kAlphabet = {"中", "国", "人", "a", "u", "U", ":", " ", "。"};
const std::vector<std::string> kReadings = {"a", "ab", "ba", "b", ":", "zhong1", "u"};

std::string random_text(std::mt19937& rng, std::size_t max_chars) {
  std::string text;
  for (std::size_t k = std::uniform_int_distribution<std::size_t>(0, max_chars)(rng); k > 0; --k) {
    text += kAlphabet[rng() % kAlphabet.size()];
  }
  return text;
}

Entries random_entries(std::mt19937& rng) {
  Entries entries;
  for (int k = rng() % 8; k >= 0; --k) {
    std::string surface = random_text(rng, 3);
    if (surface.empty()) continue;
    std::vector<std::string> readings = kReadings;
    std::shuffle(readings.begin(), readings.end(), rng);
    readings.resize(1 + rng() % 3);
    entries[surface] = readings;
  }
  return entries;
}

// The segmentation written out plainly: every position's set as a std::set,
// filled in generation order until full.
Strings plain_segmentation(const Entries& entries, const std::vector<std::string>& chars,
                           const ReadingOptions& options, bool raw_runs) {
  const std::size_t n = chars.size();
  if (n == 0 || options.max_span_chars == 0 || options.max_paths == 0) return {};
  auto join = [&](std::size_t from, std::size_t to) {
    std::string out;
    for (std::size_t k = from; k < to; ++k) out += chars[k];
    return out;
  };
  std::vector<std::set<std::string>> table(n + 1);
  table[n] = {""};
  for (std::size_t p = n; p-- > 0;) {
    std::vector<std::pair<std::size_t, std::vector<std::string>>> candidates;
    for (std::size_t q = p + 1; q <= std::min<std::size_t>(n, p + options.max_span_chars); ++q) {
      if (table[q].empty()) continue;
      auto found = entries.find(join(p, q));
      if (found != entries.end()) candidates.emplace_back(q, found->second);
    }
    if (options.longest_only && !candidates.empty()) {
      candidates.erase(candidates.begin(), candidates.end() - 1);
    }
    std::set<std::string>& set = table[p];
    auto add = [&](const std::string& s) {
      if (set.size() < options.max_paths) set.insert(s);
    };
    for (const auto& [q, readings] : candidates) {
      const std::size_t used = ja::readings_used(options, readings.size());
      for (std::size_t r = 0; r < used; ++r) {
        for (const std::string& s : table[q]) add(readings[r] + s);
      }
    }
    std::size_t r = p;
    while (r < n && is_direct_pinyin_input(chars[r])) ++r;
    if (raw_runs && r > p && !table[r].empty()) {
      const std::string t = normalize_direct_input(join(p, r));
      for (const std::string& s : table[r]) add(t + s);
    }
  }
  return {table[0].begin(), table[0].end()};
}

ReadingOptions random_options(std::mt19937& rng) {
  ReadingOptions options;
  options.max_span_chars = rng() % 5;
  options.max_paths = rng() % 7;
  if (rng() % 2) options.max_readings_per_segment = rng() % 4;
  options.longest_only = rng() % 3 == 0;
  return options;
}

TEST(SegmentationProperty, MatchesThePlainSegmentation) {
  std::mt19937 rng(11);
  PinyinReadingTable table;  // reused, as a dictionary query would
  for (int trial = 0; trial < 3000; ++trial) {
    const Entries entries = random_entries(rng);
    const auto index = make_index(entries);
    std::vector<std::string> chars;
    for (std::size_t k = rng() % 9; k > 0; --k) {
      chars.push_back(kAlphabet[rng() % kAlphabet.size()]);
    }
    std::string text;
    for (const std::string& c : chars) text += c;
    const ReadingOptions options = random_options(rng);
    const bool raw_runs = rng() % 2;
    ASSERT_TRUE(table.build(*index, text, options, raw_runs).ok());
    Strings got;
    for (std::size_t k = 0; k < table.string_count(); ++k) {
      table.append_string(k, got.emplace_back());
    }
    ASSERT_EQ(got, plain_segmentation(entries, chars, options, raw_runs))
        << "text '" << text << "' trial " << trial;
  }
}

TEST(ReadingProperty, LatticeSpellsExactlyTheStrings) {
  std::mt19937 rng(12);
  for (int trial = 0; trial < 1500; ++trial) {
    const auto index = make_index(random_entries(rng));
    const std::string text = random_text(rng, 7);
    const ReadingOptions options = random_options(rng);
    auto strings = pinyin_reading_strings(*index, text, options);
    auto lattice = pinyin_reading_lattice(*index, text, options);
    ASSERT_EQ(strings.ok(), lattice.ok()) << text;
    if (!strings.ok()) {
      EXPECT_EQ(message(strings.error()), message(lattice.error()));
      continue;
    }
    const Strings list = strings.value().to_strings();
    EXPECT_FALSE(list.empty());
    EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
    EXPECT_EQ(lattice_strings(lattice.value()), std::set<std::string>(list.begin(), list.end()))
        << "text '" << text << "' trial " << trial;
  }
}

// The extent counts what the strings form writes: the same failures (but
// the size limit), as many strings, and never a longest string shorter
// than the real one; within the size limit by its count, the strings fit.
TEST(ReadingProperty, ExtentBoundsTheStrings) {
  std::mt19937 rng(13);
  PinyinReadingTable table;
  const auto check = [&](const ZhReadingIndex& index, const std::string& text,
                         const ReadingOptions& options) {
    SCOPED_TRACE("text '" + text + "'");
    auto strings = pinyin_reading_strings(index, text, options);
    auto extent = pinyin_reading_strings_extent(index, text, options, table);
    if (!extent.ok()) {
      ASSERT_FALSE(strings.ok());
      EXPECT_EQ(message(extent.error()), message(strings.error()));
      return;
    }
    const auto [count, longest] = extent.value();
    if (!strings.ok()) {
      ASSERT_TRUE(
          std::holds_alternative<chinese_errors::ReadingStringsTooLarge>(strings.error()));
      EXPECT_GT(count * longest, kMaxReadingStringBytes);
      return;
    }
    EXPECT_EQ(count, strings.value().size());
    for (std::string_view s : strings.value()) EXPECT_LE(s.size(), longest);
  };
  for (int trial = 0; trial < 1500; ++trial) {
    const auto index = make_index(random_entries(rng));
    check(*index, random_text(rng, 9), random_options(rng));
  }
  const FailingIndex failing(make_index(kZhongGuo), "国");
  check(failing, "中国", ReadingOptions{});
  // Long ambiguous texts, at and past the size limit.
  const auto xing = make_index({{"行", {"xing", "hang"}}}, "no-tone");
  const auto longer = make_index({{"行", {"xing" + std::string(80, 'a'), "hang" + std::string(80, 'a')}}}, "no-tone");
  ReadingOptions many;
  many.max_paths = 16384;
  std::string text;
  for (int k = 0; k < 256; ++k) text += "行";
  check(*xing, text, many);
  check(*longer, text.substr(0, 14 * 3), many);
  auto at_limit = pinyin_reading_strings_extent(*xing, text, many, table);
  ASSERT_TRUE(at_limit.ok());
  EXPECT_EQ(at_limit.value().strings * at_limit.value().longest_bytes, kMaxReadingStringBytes);
}

TEST(ReadingProperty, BrokenUtf8ReadsWithoutHarm) {
  // Bytes of 中 and of "u:" cut apart and mixed: each stray byte reads as
  // one unreadable character, and nothing reads out of bounds.
  const std::string bytes = "\xE4\xB8\xAD\x80u: a";
  const auto index = make_index({{"中", {"zhong1"}}, {"\xB8", {"b"}}});
  std::mt19937 rng(14);
  for (int trial = 0; trial < 500; ++trial) {
    std::string text;
    for (int k = rng() % 8; k > 0; --k) text += bytes[rng() % bytes.size()];
    auto strings = pinyin_reading_strings(*index, text, kDefaults);
    auto lattice = pinyin_reading_lattice(*index, text, kDefaults);
    ASSERT_EQ(strings.ok(), lattice.ok());
    if (!strings.ok()) continue;
    std::set<std::string> spelled;  // as the lattice spells them, stray bytes as U+FFFD
    for (std::string_view s : strings.value()) spelled.insert(encode_utf8(decode_utf8(s)));
    EXPECT_EQ(lattice_strings(lattice.value()), spelled);
  }
}

// ---- The one-pass compact lattice -------------------------------------------------

void expect_same_lattice(const PathLattice& got, const PathLattice& expected) {
  ASSERT_EQ(got.node_count(), expected.node_count());
  EXPECT_EQ(got.start(), expected.start());
  EXPECT_EQ(got.end(), expected.end());
  ASSERT_EQ(got.arcs().size(), expected.arcs().size());
  for (std::size_t k = 0; k < got.arcs().size(); ++k) {
    EXPECT_EQ(got.arc(k).src, expected.arc(k).src) << k;
    EXPECT_EQ(got.arc(k).dst, expected.arc(k).dst) << k;
    EXPECT_EQ(got.arc(k).symbol, expected.arc(k).symbol) << k;
  }
}

TEST(SortedStringsLattice, IsTheCompactLatticeOfSortedStrings) {
  const std::vector<std::string> pieces = {"a", "b", "ab", "ü", "中", "\U0001F600"};
  std::mt19937 rng(13);
  SortedStringsLattice builder;  // reused across lattices
  for (int trial = 0; trial < 2000; ++trial) {
    std::set<std::string> set;
    for (int k = 1 + rng() % 12; k > 0; --k) {
      std::string s;
      for (int len = 1 + rng() % 5; len > 0; --len) s += pieces[rng() % pieces.size()];
      set.insert(s);
    }
    std::vector<std::vector<Symbol>> decoded;
    for (const std::string& s : set) {
      builder.add(s);
      decoded.push_back(decode_utf8(s));
    }
    auto got = builder.finish();
    ASSERT_TRUE(got.ok());
    expect_same_lattice(got.value(), PathLattice::from_paths_compact(decoded).value());
  }
}

TEST(SortedStringsLattice, KeepsThePathsOfUnsortedStrings) {
  SortedStringsLattice builder;
  const std::vector<std::string> strings = {"b", "ab", "b", "a", "abc", "ba"};
  for (const std::string& s : strings) builder.add(s);
  auto lattice = builder.finish();
  ASSERT_TRUE(lattice.ok());
  EXPECT_EQ(lattice_strings(lattice.value()),
            std::set<std::string>(strings.begin(), strings.end()));
}

TEST(SortedStringsLattice, FollowsTheEmptyPathRules) {
  SortedStringsLattice builder;
  EXPECT_EQ(lumra::message(builder.finish().error()),
            lumra::message(PathLattice::from_paths_compact(std::vector<Symbols>{}).error()));
  builder.add("");
  auto one = builder.finish();
  ASSERT_TRUE(one.ok());
  EXPECT_EQ(one.value().node_count(), 1u);
  builder.add("a");
  builder.add("");
  const std::vector<std::vector<Symbol>> mixed = {{}, {'a'}};
  EXPECT_EQ(lumra::message(builder.finish().error()),
            lumra::message(PathLattice::from_paths_compact(mixed).error()));
}

// ---- The lattice from shared tails --------------------------------------------

// The lattice as it was built before the segmentation's tails were walked:
// every reading string written out, then from_paths_compact; its errors as
// messages.
struct Built {
  std::optional<PathLattice> lattice;
  std::string error;
};

Built written_construction(const ZhReadingIndex& index, std::string_view text,
                           const ReadingOptions& options) {
  auto strings = pinyin_reading_strings(index, text, options);
  if (!strings.ok()) return {std::nullopt, message(strings.error())};
  std::vector<std::vector<Symbol>> paths;
  for (std::string_view s : strings.value()) paths.push_back(decode_utf8(s));
  auto lattice = PathLattice::from_paths_compact(paths);
  if (!lattice.ok()) return {std::nullopt, lumra::message(lattice.error())};
  return {std::move(lattice).value(), ""};
}

void expect_written_construction(const ZhReadingIndex& index, const std::string& text,
                                 const ReadingOptions& options, PinyinReadingTable& table) {
  const Built expected = written_construction(index, text, options);
  auto got = pinyin_reading_lattice(index, text, options, table);
  ASSERT_EQ(got.ok(), expected.lattice.has_value()) << "text '" << text << "'";
  if (!got.ok()) {
    EXPECT_EQ(message(got.error()), expected.error);
    return;
  }
  expect_same_lattice(got.value(), *expected.lattice);
  // A search's form: counted exactly, and built only within the limit.
  const std::uint64_t nodes = expected.lattice->node_count();
  for (const std::uint64_t limit : {nodes - 1, nodes}) {
    auto searchable = pinyin_searchable_lattice(index, text, options, table, limit);
    ASSERT_TRUE(searchable.ok());
    EXPECT_EQ(searchable.value().node_count, nodes);
    if (searchable.value().lattice) {
      expect_same_lattice(*searchable.value().lattice, *expected.lattice);
    } else {
      EXPECT_EQ(limit, nodes - 1);
    }
  }
  // A walk with no room to spare either gives up or builds the same.
  if (!is_direct_pinyin_input(text) && table.string_count() > 0) {
    auto tight = compact_tail_lattice(table.tails(), nodes, 0);
    ASSERT_TRUE(tight.ok());
    if (tight.value()) expect_same_lattice(*tight.value()->lattice, *expected.lattice);
  }
}

TEST(TailLattice, IsTheWrittenConstructionOnRandomDictionaries) {
  // Readings that are prefixes of one another and multi-byte ones, so that
  // strings agree across segment boundaries and runs interleave.
  const std::vector<std::string> readings = {"a", "ab", "ba", "b", "aba", "é", "中", "u", ":"};
  std::mt19937 rng(21);
  PinyinReadingTable table;
  const auto some_readings = [&] {
    std::vector<std::string> list;
    for (int r = 1 + rng() % 4; r > 0; --r) list.push_back(readings[rng() % readings.size()]);
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
    return list;
  };
  for (int trial = 0; trial < 3000; ++trial) {
    // Every Han character of the alphabet reads alone, so most texts read.
    Entries entries = {{"中", some_readings()}, {"国", some_readings()}, {"人", some_readings()}};
    for (int k = rng() % 6; k >= 0; --k) {
      const std::string surface = random_text(rng, 3);
      if (!surface.empty()) entries[surface] = some_readings();
    }
    const auto index = make_index(entries);
    ReadingOptions options = random_options(rng);
    if (rng() % 4 != 0) options.max_span_chars = 1 + rng() % 4;
    if (rng() % 4 != 0) options.max_paths = 1 + rng() % 40;
    expect_written_construction(*index, random_text(rng, 14), options, table);
    if (HasFatalFailure()) return;
  }
}

TEST(TailLattice, IsTheWrittenConstructionOnLongAmbiguousTexts) {
  PinyinReadingTable table;
  const auto xing = make_index({{"行", {"xing2", "hang2"}}, {"中", {"zhong1"}}}, "tone3");
  const auto straddling = make_index({{"a", {"a", "ab"}}, {"b", {"b", "ba"}}, {"ab", {"aba"}}});
  std::string mixed;
  for (int i = 0; i < 2000; ++i) mixed += i % 7 == 0 ? "中" : "行";
  std::string letters;
  std::mt19937 rng(22);
  for (int i = 0; i < 300; ++i) letters += "ab"[rng() % 2];
  ReadingOptions options;
  options.max_paths = 300;
  expect_written_construction(*xing, mixed, options, table);
  options.max_paths = 64;
  expect_written_construction(*straddling, "中" + letters, options, table);
}

TEST(TailLattice, FrontsCutInsideACharacterAreLeftToTheWrittenConstruction) {
  // Two fronts that only make a character together: their strings spell
  // it, while the fronts alone are no UTF-8.
  TailTable table;
  table.reset(2, 4);
  table.offer_run({"\xB8\xAD", {}}, 2, false);
  table.finish_position(1);
  table.offer_run({"\xE4", {}}, 1, false);
  table.finish_position(0);
  auto walked = compact_tail_lattice(table, 100);
  ASSERT_TRUE(walked.ok());
  EXPECT_FALSE(walked.value().has_value());
}

using test_support::CountingSource;

// A long ambiguous text: many strings at every position, each as long as
// the text's reading.
TEST(Interruption, LongTextsPollAndStopWithoutChangingResults) {
  const auto index = make_index({{"行", {"xing2", "hang2"}}, {"中", {"zhong1"}}});
  const std::string text = [] {
    std::string t;
    for (int i = 0; i < 3000; ++i) t += i % 7 == 0 ? "中" : "行";
    return t;
  }();
  ReadingOptions options;
  options.max_paths = 512;
  const auto alone = pinyin_reading_lattice(*index, text, options);
  ASSERT_TRUE(alone.ok());
  const auto alone_strings = pinyin_reading_strings(*index, text, options);

  CountingSource never(0);
  {
    ScopedInterruptionSource installed(never);
    const auto watched = pinyin_reading_lattice(*index, text, options);
    ASSERT_TRUE(watched.ok());
    EXPECT_EQ(watched.value().node_count(), alone.value().node_count());
    EXPECT_EQ(lattice_strings(watched.value()), lattice_strings(alone.value()));
    const auto watched_strings = pinyin_reading_strings(*index, text, options);
    ASSERT_EQ(watched_strings.ok(), alone_strings.ok());
  }
  EXPECT_GT(never.polls, 2);

  // Stopped during the segmentation, and again at once in every later
  // loop of the call.
  CountingSource stop(1);
  {
    ScopedInterruptionSource installed(stop);
    (void)pinyin_reading_lattice(*index, text, options);
  }
  EXPECT_EQ(stop.polls, 1);
  EXPECT_TRUE(stop.stopped());
}

}  // namespace
}  // namespace lumra::zh
