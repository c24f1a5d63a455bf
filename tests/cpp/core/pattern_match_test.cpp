// The pattern-match tables against masks computed the obvious way, for
// direct-table symbols, wide symbols that go through the hash map, and
// symbols that are absent, including after reassigning a table.
#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "core/strings/internal/pattern_match.h"
#include "core/strings/internal/pattern_match_words.h"
#include "random_texts.h"

namespace lumra::internal {
namespace {

using Text = std::vector<Symbol>;

// Bit i of word w is set when pattern[64 w + i] == c.
std::vector<std::uint64_t> naive_masks(const Text& pattern, Symbol c) {
  std::vector<std::uint64_t> masks((pattern.size() + 63) / 64, 0);
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == c) masks[i / 64] |= std::uint64_t{1} << (i % 64);
  }
  return masks;
}

std::uint64_t naive_word(const Text& pattern, Symbol c) {
  return pattern.empty() ? 0 : naive_masks(pattern, c)[0];
}

// Every symbol of the pattern, its neighbours, and the edges of the ranges.
std::vector<Symbol> probes(const Text& pattern) {
  std::vector<Symbol> out{0, 1, 'a', 0xFF, 0x100, 0x101, 0x3042, 0xFFFF, 0x10000, 0x10FFFF,
                          0x110000, 0xFFFFFFFF};
  for (const Symbol c : pattern) {
    out.push_back(c);
    out.push_back(c + 1);
    out.push_back(c - 1);
  }
  return out;
}

void expect_word_table(const PatternMatchWord& table, const Text& pattern) {
  for (const Symbol c : probes(pattern)) {
    EXPECT_EQ(table.get(c), naive_word(pattern, c)) << "symbol " << c;
  }
}

void expect_block_table(const PatternMatchBlocks& table, const Text& pattern) {
  ASSERT_EQ(table.length(), pattern.size());
  ASSERT_EQ(table.words(), (pattern.size() + 63) / 64);
  if (table.words() > 0) table.reach(table.words() - 1);
  for (const Symbol c : probes(pattern)) {
    const std::vector<std::uint64_t> expected = naive_masks(pattern, c);
    const std::uint64_t* row = table.row(c);
    for (std::size_t w = 0; w < expected.size(); ++w) {
      EXPECT_EQ(row[w], expected[w]) << "symbol " << c << " word " << w;
    }
  }
}

// The two- to four-word table of a pattern of 65..256 symbols, built over
// memory full of garbage (it lives on the stack, uncleared), against the
// naive masks.
template <std::size_t N>
void expect_words_table_of(const Text& pattern) {
  alignas(PatternMatchWords<N>) unsigned char storage[sizeof(PatternMatchWords<N>)];
  std::memset(storage, 0xA5, sizeof(storage));
  const auto* table = new (storage) PatternMatchWords<N>(pattern);
  ASSERT_EQ(table->length(), pattern.size());
  for (const Symbol c : probes(pattern)) {
    const std::vector<std::uint64_t> expected = naive_masks(pattern, c);
    const std::uint64_t* row = table->get(c);
    for (std::size_t w = 0; w < N; ++w) {
      EXPECT_EQ(row[w], w < expected.size() ? expected[w] : 0) << "symbol " << c << " word " << w;
    }
  }
  table->~PatternMatchWords<N>();
}

void expect_words_table(const Text& pattern) {
  if (pattern.size() <= 64) return;
  if (pattern.size() <= 128) expect_words_table_of<2>(pattern);
  else if (pattern.size() <= 192) expect_words_table_of<3>(pattern);
  else if (pattern.size() <= 256) expect_words_table_of<4>(pattern);
}

Text counting_from(Symbol first, std::size_t length, Symbol step = 1) {
  Text out(length);
  for (std::size_t i = 0; i < length; ++i) out[i] = first + static_cast<Symbol>(i) * step;
  return out;
}

struct TableCase {
  const char* name;
  Text pattern;
};

std::vector<TableCase> table_cases() {
  return {
      {"single", {'x'}},
      {"repeated", Text(64, 'a')},
      {"latin edges", {0, 0xFF, 0, 0xFF, 'a'}},
      {"kana", {0x3042, 0x3044, 0x3042, 0x3093}},
      {"64 distinct wide", counting_from(0x4E00, 64)},
      {"64 wide one table apart", counting_from(0x10000, 64, 128)},
      {"astral and latin", {0x1F600, 'a', 0x10FFFF, 0x1F600, 0xFFFFFFFF, 0x100}},
      {"65 symbols", counting_from('!', 65)},
      {"200 distinct wide", counting_from(0x20000, 200)},
      {"256 wide far apart", counting_from(0x1000, 256, 0x700)},
      {"kana window and latin", [] {
         Text t = counting_from(0x3041, 150);
         t.push_back('z');
         return t;
       }()},
      {"300 distinct wide", counting_from(0x20000, 300)},
      {"300 wide repeated", [] {
         Text t;
         for (int i = 0; i < 300; ++i) t.push_back(0x3041 + (i % 7) * 0x1000);
         return t;
       }()},
  };
}

TEST(PatternMatch, MasksMatchTheNaiveOnes) {
  for (const TableCase& c : table_cases()) {
    SCOPED_TRACE(c.name);
    if (c.pattern.size() <= PatternMatchWord::kMaxLength) {
      expect_word_table(PatternMatchWord(c.pattern), c.pattern);
    }
    PatternMatchBlocks blocks;
    blocks.assign(c.pattern);
    expect_block_table(blocks, c.pattern);
    expect_words_table(c.pattern);
  }
}

TEST(PatternMatch, ReassignedTablesForgetThePreviousPattern) {
  // Every case after every other one, in one word table and one block table.
  PatternMatchWord word;
  PatternMatchBlocks blocks;
  const auto cases = table_cases();
  for (const TableCase& before : cases) {
    for (const TableCase& after : cases) {
      SCOPED_TRACE(std::string(before.name) + " then " + after.name);
      blocks.assign(before.pattern);
      blocks.assign(after.pattern);
      expect_block_table(blocks, after.pattern);
      if (before.pattern.size() <= 64 && after.pattern.size() <= 64) {
        word.assign(before.pattern);
        word.assign(after.pattern);
        expect_word_table(word, after.pattern);
      }
    }
  }
}

TEST(PatternMatch, EmptyPatternMatchesNothing) {
  const PatternMatchWord word{Symbols{}};
  EXPECT_EQ(word.get('a'), 0u);
  EXPECT_EQ(word.get(0x3042), 0u);
  PatternMatchBlocks blocks;
  blocks.assign({});
  EXPECT_EQ(blocks.words(), 0u);
}

TEST(PatternMatch, RandomPatterns) {
  testing::TextGenerator generate(99);
  PatternMatchBlocks blocks;
  for (const auto& alphabet : testing::test_alphabets()) {
    for (int i = 0; i < 40; ++i) {
      const Text pattern = generate.text(alphabet, generate.length(300));
      SCOPED_TRACE(testing::describe(pattern));
      blocks.assign(pattern);
      expect_block_table(blocks, pattern);
      if (pattern.size() <= 64) expect_word_table(PatternMatchWord(pattern), pattern);
      expect_words_table(pattern);
    }
  }
}

// A table readied for one text must answer for that text's symbols whatever
// the memory held before: it is built over a buffer full of garbage.
TEST(PatternMatch, TableForOneTextAnswersForItsSymbols) {
  testing::TextGenerator generate(7);
  alignas(PatternMatchWord) unsigned char storage[sizeof(PatternMatchWord)];
  for (const auto& alphabet : testing::test_alphabets()) {
    for (int i = 0; i < 60; ++i) {
      const Text pattern = generate.text(alphabet, generate.length(64));
      const Text text = generate.text(alphabet, generate.length(i % 2 ? 40 : 250));
      SCOPED_TRACE(testing::describe(pattern) + " / " + testing::describe(text));
      std::memset(storage, 0xA5, sizeof(storage));
      const auto* table = new (storage) PatternMatchWord(pattern, text);
      for (const Symbol c : text) EXPECT_EQ(table->get(c), naive_word(pattern, c));
      for (const Symbol c : pattern) EXPECT_EQ(table->get(c), naive_word(pattern, c));
    }
  }
}

// Tables readied for one text over symbols of one narrow block cover that
// block directly. Every pair here puts the window at a different edge: the
// text's lowest or highest symbol outside the pattern's range, a window one
// symbol too wide, Latin-1 right below it, and the very top of the 32-bit
// range, where the shift must not overflow. Garbage memory again.
TEST(PatternMatch, TableForOneTextOverANarrowWindow) {
  struct WindowCase {
    const char* name;
    Text pattern, text;
  };
  const std::vector<WindowCase> cases{
      {"kana", {0x3042, 0x3044, 0x3042}, {0x3044, 0x3093, 0x3042}},
      {"text below the pattern", {0x3100, 0x3101}, {0x3001, 0x3100, 0x3101}},
      {"text above the pattern", {0x3001, 0x3002}, {0x3100, 0x3002}},
      {"exactly 256 wide", {0x4E00, 0x4EFF}, {0x4EFF, 0x4E00, 0x4E80}},
      {"one too wide", {0x4E00, 0x4F00}, {0x4F00, 0x4E00, 0x4E01}},
      {"Latin-1 below", {0x100, 0x1FF}, {0xFF, 0x100}},
      {"starts just above Latin-1", {0x100, 0x1FF}, {0x1FF, 0x100, 0x150}},
      {"Latin pattern, wide text", {'a', 'b'}, {0x3042, 'a'}},
      {"wide pattern, Latin text", {0x3042, 0x3044}, {'a', 0x3044}},
      {"top of 32 bits", {0xFFFFFFFF, 0xFFFFFF00}, {0xFFFFFF00, 0xFFFFFFFE}},
      {"top of the code space", {0x10FFFF, 0x10FF01}, {0x10FF00, 0x10FFFF}},
      {"64 symbols in a window", counting_from(0x4E00, 64, 4), counting_from(0x4E02, 40, 5)},
      {"65 symbols, only 64 recorded", counting_from(0x4E00, 65, 3), {0x4E00, 0x4EC0, 0x4EC3}},
  };
  alignas(PatternMatchWord) unsigned char storage[sizeof(PatternMatchWord)];
  for (const WindowCase& c : cases) {
    SCOPED_TRACE(c.name);
    for (const int fill : {0x00, 0xA5, 0xFF}) {
      std::memset(storage, fill, sizeof(storage));
      const auto* table = new (storage) PatternMatchWord(c.pattern, c.text);
      const Text recorded(c.pattern.begin(),
                          c.pattern.begin() + std::min<std::size_t>(c.pattern.size(), 64));
      for (const Symbol s : c.text) EXPECT_EQ(table->get(s), naive_word(recorded, s)) << s;
      for (const Symbol s : recorded) EXPECT_EQ(table->get(s), naive_word(recorded, s)) << s;
    }
  }
}

// A table first readied for a narrow window and then for any pattern must
// answer for every symbol again.
TEST(PatternMatch, ReassignedAfterAWindowedTable) {
  PatternMatchWord table(Text{0x3042, 0x3044}, Text{0x3044, 0x3046});
  for (const TableCase& c : table_cases()) {
    if (c.pattern.size() > PatternMatchWord::kMaxLength) continue;
    SCOPED_TRACE(c.name);
    table.assign_for_text(Text{0x4E00, 0x4E01}, Text{0x4E02});
    table.assign(c.pattern);
    expect_word_table(table, c.pattern);
  }
}

TEST(PatternMatch, WordPatternSkipsAPrefix) {
  const Text pattern{'a', 'b', 'a', 0x3042, 'a'};
  const PatternMatchWord table(pattern);
  const WordPattern skip_two{&table, 2, 3};
  EXPECT_EQ(skip_two.get('a') & 0b111, 0b101u);
  EXPECT_EQ(skip_two.get(0x3042) & 0b111, 0b010u);
  EXPECT_EQ(skip_two.get('b') & 0b111, 0u);
}

}  // namespace
}  // namespace lumra::internal
