// The source readers end to end on small files: what reaches the collector,
// in which order, and how bad rows are placed and counted.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "artifacts/build/cedict_readings.h"
#include "artifacts/build/cedict_source.h"
#include "artifacts/build/readings_collector.h"
#include "artifacts/build/unidic_lexicon.h"
#include "build_test_support.h"

namespace lumra::artifacts::build {
namespace {

using testing::lex_row;
using testing::TempDir;
using Collected = std::map<std::string, std::vector<std::string>>;

Collected collected_map(ReadingsCollector& collector, std::uint64_t cap = 256) {
  Collected out;
  for (auto& entry : collector.finish(cap).entries) out[entry.surface] = entry.readings;
  return out;
}

struct UnidicRun {
  Collected entries;
  UnidicLexiconCounts counts;
  std::uint64_t skipped = 0;
  std::string failure;  // strict mode, or a layout error
};

UnidicRun read_lexicon(const std::string& csv, UnidicLexiconOptions options = {},
                       bool strict = false) {
  TempDir dir;
  std::string path = testing::write_text(dir, "lex.csv", csv);
  auto columns = UnidicColumns::from_dicrc(testing::unidic_dicrc());
  auto reader = LineReader::open(path);
  EXPECT_TRUE(reader.ok());
  ReadingsCollector collector;
  ProblemLog problems(strict, nullptr);
  Progress progress(nullptr);
  UnidicRun run;
  auto counts = read_unidic_lexicon(reader.value(), columns.value(), options, collector,
                                    problems, progress);
  if (counts.ok()) {
    run.counts = counts.value();
  } else {
    run.failure = message(counts.error());
    std::size_t at = run.failure.find("lex.csv");
    if (at != std::string::npos) run.failure = run.failure.substr(at);
  }
  run.entries = collected_map(collector);
  run.skipped = problems.count();
  return run;
}

TEST(UnidicLexicon, ReadingsInHiraganaByCostWithoutRepeats) {
  std::string csv = lex_row("日本", 3997, "名詞", "ニポン") + lex_row("日本", -1870, "名詞", "ニホン") +
                    lex_row("日本", -2903, "名詞", "ニッポン") +
                    lex_row("日本", 5000, "名詞", "ニホン") +  // a repeat keeps its best cost
                    lex_row("東京", -783, "名詞", "トウキョウ", "トーキョー") +
                    lex_row("、", -100, "補助記号", "*") +  // no reading at all
                    lex_row("\"a,b\"", 10, "名詞", "エービー");
  UnidicRun run = read_lexicon(csv);
  EXPECT_EQ(run.failure, "");
  EXPECT_EQ(run.entries, (Collected{{"a,b", {"えーびー"}},
                                    {"日本", {"にっぽん", "にほん", "にぽん"}},
                                    {"東京", {"とうきょう"}}}));
  EXPECT_EQ(run.counts.rows, 7u);
  EXPECT_EQ(run.counts.rows_used, 6u);
  EXPECT_EQ(run.counts.rows_without_reading, 1u);

  UnidicLexiconOptions pron;
  pron.reading_field = "pron";
  EXPECT_EQ(read_lexicon(csv, pron).entries.at("東京"), std::vector<std::string>{"とーきょー"});
}

TEST(ReadingsCollector, CapKeepsTheBestRanked) {
  ReadingsCollector collector;
  collector.add("日本", "にぽん", 3997);
  collector.add("日本", "にほん", -1870);
  collector.add("日本", "にっぽん", -2903);
  collector.add("日", "ひ", 5);
  collector.add("日", "にち", 5);  // a tie keeps the order of arrival
  CollectedEntries entries = collector.finish(2);
  EXPECT_EQ(entries.surfaces_capped, 1u);
  ASSERT_EQ(entries.entries.size(), 2u);
  EXPECT_EQ(entries.entries[0].readings, (std::vector<std::string>{"ひ", "にち"}));
  EXPECT_EQ(entries.entries[1].readings, (std::vector<std::string>{"にっぽん", "にほん"}));
  EXPECT_EQ(collector.surface_count(), 0u);
}

TEST(UnidicLexicon, OptionsExcludeAsciiSymbolsAndUnspellableReadings) {
  std::string csv = lex_row("ABC", 1, "名詞", "エービーシー") + lex_row("＠", 1, "記号", "アット") +
                    lex_row("ｶﾅ", 1, "名詞", "カナ") + lex_row("猫", 1, "名詞", "ネコ") +
                    lex_row("犬", 1, "名詞", "イヌ★");
  UnidicLexiconOptions options;
  options.exclude_ascii_surfaces = true;
  options.exclude_symbol_pos = true;
  options.exclude_unsupported_readings = true;
  options.include_normalized_surfaces = true;
  UnidicRun run = read_lexicon(csv, options);
  EXPECT_EQ(run.entries, (Collected{{"カナ", {"かな"}}, {"ｶﾅ", {"かな"}}, {"猫", {"ねこ"}}}));
  EXPECT_EQ(run.counts.rows_excluded, 3u);

  UnidicRun plain = read_lexicon(csv);
  EXPECT_EQ(plain.entries.size(), 5u);
}

TEST(UnidicLexicon, BadRowsAreSkippedWithTheirLineOrEndAStrictBuild) {
  std::string csv = lex_row("猫", 1, "名詞", "ネコ") + "short,row\n" +
                    lex_row("犬", 1, "名詞", "イヌ").replace(0, 3, "\"犬") +  // unterminated
                    lex_row("鳥", 1, "名詞", "トリ").replace(8, 1, "1x") +  // cost "1x"
                    lex_row("", 1, "名詞", "カラ") + lex_row(std::string(16385, 'a'), 1, "名詞", "ア") +
                    lex_row("\xff", 1, "名詞", "ア") + lex_row("馬", 1, "名詞", "ウマ");
  UnidicRun run = read_lexicon(csv);
  EXPECT_EQ(run.entries, (Collected{{"猫", {"ねこ"}}, {"馬", {"うま"}}}));
  EXPECT_EQ(run.skipped, 6u);

  UnidicRun strict = read_lexicon(csv, {}, true);
  EXPECT_EQ(strict.failure, "lex.csv:2: 2 columns where the dicrc declares 33");
}

TEST(UnidicLexicon, AReadingFieldTheDicrcLacksIsRefused) {
  UnidicLexiconOptions options;
  options.reading_field = "yomi";
  EXPECT_EQ(read_lexicon(lex_row("猫", 1, "名詞", "ネコ"), options).failure,
            "the dicrc declares no feature \"yomi\"");
}

struct CedictRun {
  Collected entries;
  CedictCounts counts;
  std::uint64_t skipped = 0;
  std::string failure;
};

CedictRun read_cedict(const std::string& text, zh::PinyinView view, bool strict = false,
                      const std::string& dictd_articles = "") {
  TempDir dir;
  ReadingsCollector collector;
  ProblemLog problems(strict, nullptr);
  Progress progress(nullptr);
  CedictEntrySink sink = collect_cedict_readings(view, collector);
  auto counts = [&] {
    if (dictd_articles.empty()) {
      return read_cedict_text(testing::write_text(dir, "cedict.u8", text), sink, problems,
                              progress);
    }
    return read_cedict_dictd(testing::write_text(dir, "cedict.index", text),
                             testing::write_gzip(dir, "cedict.dict.dz", dictd_articles), sink,
                             problems, progress);
  }();
  CedictRun run;
  if (counts.ok()) run.counts = counts.value();
  else run.failure = message(counts.error()).substr(dir.path().size() + 1);
  run.entries = collected_map(collector);
  run.skipped = problems.count();
  return run;
}

const std::string kCedictText =
    "# CC-CEDICT\n"
    "#! date=2024-01-02T03:04:05Z\n"
    "中國 中国 [Zhong1 guo2] /China/\n"
    "行 行 [hang2] /row/\n"
    "行 行 [xing2] /to walk/\n"
    "女 女 [nu:3] /female/\n"
    "了 了 [le5] /particle/\n"
    "broken line\n"
    "銀行 银行 [yin2 hang2 /bank/\n"
    "\n";

TEST(CedictText, BothSurfacesInSourceOrderNormalisedForTheView) {
  CedictRun tone3 = read_cedict(kCedictText, zh::PinyinView::kTone3);
  EXPECT_EQ(tone3.entries, (Collected{{"中国", {"zhong1guo2"}},
                                      {"中國", {"zhong1guo2"}},
                                      {"了", {"le5"}},
                                      {"女", {"nv3"}},
                                      {"行", {"hang2", "xing2"}}}));
  EXPECT_EQ(tone3.counts.entries, 5u);
  EXPECT_EQ(tone3.counts.release, "2024-01-02T03:04:05Z");
  EXPECT_EQ(tone3.skipped, 2u);

  CedictRun no_tone = read_cedict(kCedictText, zh::PinyinView::kNoTone);
  EXPECT_EQ(no_tone.entries.at("行"), (std::vector<std::string>{"hang", "xing"}));
  EXPECT_EQ(no_tone.entries.at("女"), std::vector<std::string>{"nv"});

  EXPECT_EQ(read_cedict(kCedictText, zh::PinyinView::kTone3, true).failure,
            "cedict.u8:8: no \"[\" opening the pinyin");
}

std::string base64_number(std::uint64_t value) {
  const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  do {
    out.insert(out.begin(), digits[value % 64]);
    value /= 64;
  } while (value != 0);
  return out;
}

TEST(CedictDictd, ArticlesThroughTheIndexWithWrappedPinyin) {
  std::string articles;
  // "offset<TAB>length" of a new article.
  auto add = [&](const std::string& article) {
    std::string place = base64_number(articles.size()) + "\t" + base64_number(article.size());
    articles += article;
    return place;
  };
  std::string release = add("00-database-short\n     CC-CEDICT dictionary version 20260906\n");
  std::string china = add("中國|中国\n[Zhōng\nguó]\nChina\n");
  std::string walk = add("行\n[xíng]\nto walk\n");
  std::string female = add("女\n[nǚ]\nfemale\n");
  std::string broken = add("壞\nno pinyin here\n");
  std::string garbled = add("亂\n[lu\xff" "an]\nmess\n");
  std::string index = "00databaseshort\t" + release + "\n" +  // 1
                      "中国\t" + china + "\t中國|中国\n" +       // 2
                      "中國\t" + china + "\n" +                  // 3: the same article
                      "行\t" + walk + "\n" +                     // 4
                      "女\t" + female + "\n" +                   // 5
                      "壞\t" + broken + "\n" +                   // 6
                      "far\tAAAA\tBBBB\n" +                      // 7: past the end
                      "bad line\n" +                             // 8
                      "亂\t" + garbled + "\n";                  // 9
  CedictRun run = read_cedict(index, zh::PinyinView::kTone3, false, articles);
  EXPECT_EQ(run.failure, "");
  EXPECT_EQ(run.entries, (Collected{{"中国", {"zhong1guo2"}},
                                    {"中國", {"zhong1guo2"}},
                                    {"女", {"nv3"}},
                                    {"行", {"xing2"}}}));
  EXPECT_EQ(run.counts.release, "20260906");
  EXPECT_EQ(run.counts.entries, 3u);
  EXPECT_EQ(run.skipped, 4u);
  EXPECT_EQ(read_cedict(index, zh::PinyinView::kTone3, true, articles).failure,
            "cedict.index:7: article at 0 of 266305 bytes lies past the end of the " +
                std::to_string(articles.size()) + " bytes of articles");
}

}  // namespace
}  // namespace lumra::artifacts::build
