// The block-subset reader's events against libyaml's, on the layouts it
// must read and on the ones it must leave to libyaml.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "payload/yaml/block_subset_reader.h"
#include "payload/yaml/libyaml_events.h"
#include "payload/yaml/safe_characters.h"

namespace lumra::payload {
namespace {

// The stream as text, one event a line ("=" before a resolved scalar's
// text, "'" before a quoted one's), ending with "gave up" when the source
// stopped early.
std::string trace(YamlEventSource& source) {
  std::string out;
  YamlEvent event;
  for (;;) {
    if (!source.next(event)) return out + "gave up";
    out += std::to_string(static_cast<int>(event.type));
    if (event.type == YamlEvent::Type::kScalar) {
      out += (event.resolved ? " =" : " '") + std::string(event.text);
    }
    out += "\n";
    if (event.type == YamlEvent::Type::kStreamEnd) return out;
  }
}

std::string subset_trace(std::string_view yaml) {
  BlockSubsetReader reader(yaml);
  return trace(reader);
}

std::string libyaml_trace(std::string_view yaml) {
  LibyamlEvents events(yaml);
  return trace(events);
}

class SubsetReadsTest : public ::testing::TestWithParam<std::string> {};

TEST_P(SubsetReadsTest, AsLibyamlDoes) {
  std::string subset = subset_trace(GetParam());
  EXPECT_EQ(subset.find("gave up"), std::string::npos) << subset;
  EXPECT_EQ(subset, libyaml_trace(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, SubsetReadsTest,
    ::testing::Values(
        "a: 1\nb: x y  \nc: 'q''s'\nd: \"\\t\\x41\\u3042\\U0001F600\\N\\_\\L\\P\\e\\0\\ \\\\\\\"\"\n",
        "---\nlist:\n- a\n-   b  # c\n-\n- [x, 'y', \"z\"]\n- []\n...\n# end\n",
        "\xEF\xBB\xBFk:\r\n  - m: 1\r\n    n:\r\n    - 2\r\n    o:\r\n      p: q\r\n  -\r\n     r: s\r\n",
        "k:\n\n   # comment at any indentation\nz: ~\nn:\nt: true\nf: -1.5e3\ni: 0x1F\no: 0o17\n",
        "-\n- x\n-  # nothing\n",  // null items
        "'quoted key': v\n\"k\\x20\": \"\"\n'': ''\n",
        "a:\n  b:\n    c:\n      - d\ne: f\n",
        "k: [ a b ,  'c d' ]  # trailing\nn: [-1, -.5, a-b]\n",
        "k: it's \"so\" a&b *c !d e|f g>h 100% @i `j` k? -l\n",
        "- 日本: にほん\n  ｘ: é😀\n"));

class SubsetGivesUpTest : public ::testing::TestWithParam<std::string> {};

TEST_P(SubsetGivesUpTest, AndLeavesItToLibyaml) {
  std::string subset = subset_trace(GetParam());
  EXPECT_NE(subset.find("gave up"), std::string::npos) << subset;
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, SubsetGivesUpTest,
    ::testing::Values(
        "a: &x 1\nb: *x\n", "a: !!str 1\n", "a: |\n  text\n", "a: >\n  text\n",
        "a: plain\n  continued\n", "a: 'multi\n  line'\n", "a: [1,\n  2]\n", "a: {b: 1}\n",
        "? a\n: b\n", "a: 1\n---\nb: 2\n", "a: 1\n...\nb: 2\n", "%YAML 1.1\n---\na: 1\n",
        "a:\tb\n", "a: b\rc: d\n", "a: \x80\n", "a: b\xC2\x85\n", "a: \"\\/\"\n",
        "a: \"\\uD800\"\n", "a: \"\\q\"\n", "a: b:c\n", "a: b: c\n", "a b : c\n", "a: x#y\n",
        "a: [a,]\n", "a: [a,,b]\n", "  a: 1\n", "plain root\n", "", "# only a comment\n",
        "a:\n    b: 1\n  c: 2\n", "a:\n  - x\n  b: y\n", "- a: 1\n    b: 2\n", "- - x\n",
        "a: - x\n", "a: 1\n  b: 2\n", "a:\n  text below\n", "---x\n", "----\n",
        std::string(600, 'k') + ": v\n", "a: [" + std::string(3000, ',') + "]\n",
        "a: \"b\"c\n", "a: 'b'#c\n", "a: x\xEF\xBB\xBF\n", "a: [b?c]\n", "a: [b'c]\n"));

struct Characters {
  std::string text;
  bool safe;
};

class SafeCharactersTest : public ::testing::TestWithParam<Characters> {};

TEST_P(SafeCharactersTest, DecidesAsDocumented) {
  EXPECT_EQ(has_only_safe_characters(GetParam().text), GetParam().safe);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SafeCharactersTest,
    ::testing::Values(
        Characters{"plain ascii text that is long enough for words\n", true},
        Characters{"a\r\nb", true}, Characters{"a\rb", false}, Characters{"a\r", false},
        Characters{"abcdefgh\tijklmnop", false}, Characters{std::string("abcdefg\0", 8), false},
        Characters{"abcdefghijklmno\x7F", false}, Characters{"\xC2\xA0\xE3\x81\x82\xF0\x9F\x98\x80", true},
        Characters{"\xC2\x85", false}, Characters{"\xC2\x9F", false}, Characters{"\xC0\xAF", false},
        Characters{"\xE0\x80\xAF", false}, Characters{"\xED\xA0\x80", false},
        Characters{"\xE2\x80\xA8", false}, Characters{"\xEF\xBB\xBF", false},
        Characters{"\xEF\xBF\xBE", false}, Characters{"\xEF\xBF\xBD", true},
        Characters{"\xF4\x8F\xBF\xBF", true}, Characters{"\xF4\x90\x80\x80", false},
        Characters{"\xF0\x9F\x98", false}, Characters{"\xE3\x81", false}));

}  // namespace
}  // namespace lumra::payload
