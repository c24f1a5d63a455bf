// The block-subset reader against libyaml: random payloads in many layouts,
// loaded through the fast path and through libyaml alone, must give the same
// index (its canonical text) or the same error. Payloads written only with
// the constructs the subset accepts must never make it give up.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <ostream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "ja/unidic/canonical_checksum.h"
#include "ja/unidic/yaml_payload.h"
#include "zh/index/canonical_checksum.h"
#include "zh/index/yaml_payload.h"

namespace lumra {
namespace {

using payload::YamlReading;

std::string ja_outcome(std::string_view yaml, YamlReading reading) {
  auto index = ja::parse_yaml_payload(yaml, reading);
  if (!index.ok()) return "error: " + ja::message(index.error());
  auto text = ja::unidic_canonical_text(*index.value());
  return text.ok() ? text.value() : "canonical text failed";
}

std::string zh_outcome(std::string_view yaml, YamlReading reading) {
  auto index = zh::parse_zh_yaml_payload(yaml, reading);
  if (!index.ok()) return "error: " + zh::message(index.error());
  auto text = zh::zh_canonical_text(*index.value());
  return text.ok() ? text.value() : "canonical text failed";
}

// Writes random payloads. With `plain` set, only what the subset reader
// accepts; otherwise also what it must leave to libyaml, and random damage.
class PayloadWriter {
 public:
  PayloadWriter(std::uint64_t seed, bool chinese, bool plain)
      : rng_(seed), chinese_(chinese), plain_(plain) {}

  std::string document() {
    out_.clear();
    bool crlf = chance(0.15);
    if (chance(0.1)) out_ += "\xEF\xBB\xBF";
    if (chance(0.15)) out_ += "# a payload\n";
    if (chance(0.2)) out_ += "---\n";
    std::vector<int> keys = {0, 1, 2, 3};
    if (!chinese_) keys.pop_back();
    std::shuffle(keys.begin(), keys.end(), rng_);
    for (int key : keys) {
      if (chance(0.2)) unknown_entry(0);
      if (!plain_ && chance(0.03)) continue;  // a missing field
      switch (key) {
        case 0:
          out_ += "schema_version: " + schema_version() + comment() + "\n";
          break;
        case 1:
          out_ += "payload_type: " +
                  scalar(chinese_ ? "lumra.zh.reading-index.surface-readings"
                                  : "lumra.unidic.reading-index.surface-readings",
                         chance(0.05)) +
                  comment() + "\n";
          break;
        case 2:
          entries();
          break;
        case 3:
          out_ += "pinyin_view: " + scalar(pick({"tone3", "no-tone", "normal", "Tone3"}), false) +
                  "\n";
          break;
      }
      if (!plain_ && chance(0.02)) out_ += out_.substr(out_.rfind('\n', out_.size() - 2) + 1);
      if (chance(0.1)) out_ += std::string(index(4), ' ') + (chance(0.5) ? "# note\n" : "\n");
    }
    if (chance(0.1)) out_ += "...\n";
    if (!plain_ && chance(0.3)) damage();
    if (crlf) {
      std::string converted;
      for (char c : out_) converted += c == '\n' ? std::string("\r\n") : std::string(1, c);
      out_ = converted;
    }
    return out_;
  }

 private:
  bool chance(double p) { return std::bernoulli_distribution(p)(rng_); }
  std::size_t index(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_); }
  std::string pick(std::initializer_list<const char*> options) {
    return *(options.begin() + index(options.size()));
  }
  static bool has_unsafe_literal(const std::string& value) {
    return value.find("\u0085") != std::string::npos || value.find("\u2028") != std::string::npos ||
           value.find("\uFEFF") != std::string::npos;
  }
  std::string comment() { return chance(0.1) ? "  # c" : ""; }

  std::string schema_version() {
    if (plain_) return pick({"1", "1", "+1", "0x1", "0o1", "01", "2", "'1'", "1.0", "null", "-0"});
    return pick({"1", "+1", "0x1", "0o1", "01", "2", "'1'", "\"1\"", "1.0", "null", "~", "true",
                 "-1", "-0", "4294967296", "99999999999999999999", "", "0x", "1_0", "!!int 1",
                 "&a 1", "[1]", "{a: 1}", "|\n  1", "1 # one", "0b1"});
  }

  // A random text of characters chosen to stress the scalar rules.
  std::string text() {
    static const std::vector<std::string> kPieces = {
        "a", "b", "z", "Q", "0", "1", "9", " ", "  ", "-", ".", "_", "~", "'", "\"", "\\", ":",
        "#", ",", "[", "]", "{", "}", "&", "*", "!", "|", ">", "%", "@", "`", "?", "/", "+",
        "あ", "ア", "日本", "中国", "ｘ", "é", "😀", "\u00A0", "null", "true", "1.5", "0x1F",
        "\t", "\x01", "\x7F", "\u0085", "\u2028", "\uFEFF", "\r"};
    std::string value;
    std::size_t length = chance(0.02) ? 2000 + index(3000) : index(8);
    // The last four never occur literally in what the subset reads.
    std::size_t pieces = plain_ ? kPieces.size() - 4 : kPieces.size();
    for (std::size_t i = 0; i < length; ++i) value += kPieces[index(pieces)];
    return value;
  }

  std::string pinyin() {
    std::string value;
    for (std::size_t i = 0, n = 1 + index(3); i < n; ++i) {
      value += pick({"zhong", "guo", "xing", "hang", "lv", "a"}) + std::to_string(1 + index(5));
    }
    if (chance(0.05)) value += pick({" ", "A", "u:"});
    return value;
  }

  // `value` written as a plain, single-quoted or double-quoted scalar; a
  // plain one only when it reads back as itself, unless `raw`.
  std::string scalar(const std::string& value, bool raw) {
    bool plain_safe = !value.empty() && value.find_first_of(":#,[]{}'\"\\ \t\r\x01\x7F?&*!|>%@`") == std::string::npos &&
                      !has_unsafe_literal(value) &&
                      std::string_view("-?:,[]{}#&*!|>'\"%@`~.0123456789ntfNTF").find(value[0]) ==
                          std::string_view::npos;
    int style = static_cast<int>(index(3));
    if (style == 0 && (plain_safe || raw)) return value;
    if (style == 1 && value.find_first_of("\t\r\n\x01\x7F") == std::string::npos &&
        !has_unsafe_literal(value)) {
      std::string quoted = "'";
      for (char c : value) quoted += c == '\'' ? std::string("''") : std::string(1, c);
      return quoted + "'";
    }
    std::string quoted = "\"";
    for (unsigned char c : value) {
      if (c == '"' || c == '\\') {
        quoted += '\\';
        quoted += static_cast<char>(c);
      } else if (c < 0x20 || c == 0x7F) {
        static const char* kForms[] = {"\\x%02X", "\\u%04x", "\\U%08X"};
        char escape[16];
        std::snprintf(escape, sizeof escape, kForms[index(3)], c);
        quoted += c == '\t' && chance(0.5) ? std::string("\\t") : std::string(escape);
      } else {
        quoted += static_cast<char>(c);
      }
    }
    if (chance(0.1)) quoted += pick({"\\N", "\\_", "\\L", "\\P", "\\e", "\\0", "\\ ", "\\u3042"});
    return quoted + "\"";
  }

  std::string reading() {
    if (chinese_ && chance(0.8)) return scalar(pinyin(), false);
    std::string value = text();
    if (value.empty() && chance(0.8)) value = "よみ";
    return scalar(value, !plain_ && chance(0.1));
  }

  void readings(std::size_t indent) {
    std::size_t count = chance(0.03) ? 0 : 1 + index(4);
    if (chance(0.5)) {
      out_ += "readings: [";
      for (std::size_t i = 0; i < count; ++i) out_ += (i ? ", " : "") + reading();
      out_ += "]" + comment() + "\n";
      return;
    }
    out_ += "readings:" + comment() + "\n";
    std::size_t item = indent + (chance(0.5) ? 0 : 1 + index(3));
    if (count == 0) out_.replace(out_.size() - 1, 1, " []\n");
    for (std::size_t i = 0; i < count; ++i) {
      out_ += std::string(item, ' ') + "- " + reading() + comment() + "\n";
    }
  }

  void entry(std::size_t dash_indent) {
    std::size_t indent;
    if (chance(0.15)) {
      out_ += std::string(dash_indent, ' ') + "-\n";
      indent = dash_indent + 1 + index(4);
      out_ += std::string(indent, ' ');
    } else {
      std::size_t gap = 1 + (chance(0.2) ? index(3) : 0);
      out_ += std::string(dash_indent, ' ') + "-" + std::string(gap, ' ');
      indent = dash_indent + 1 + gap;
    }
    bool surface_first = chance(0.7);
    bool unknown = chance(0.15);
    auto surface = [&] {
      std::string value = chinese_ && chance(0.5) ? "中" + std::to_string(index(50)) : text();
      out_ += "surface: " + scalar(value, !plain_ && chance(0.1)) + comment() + "\n";
    };
    if (surface_first) surface(); else readings(indent);
    if (unknown) {
      out_ += std::string(indent, ' ');
      unknown_entry(indent);
    }
    out_ += std::string(indent, ' ');
    if (surface_first) readings(indent); else surface();
  }

  void entries() {
    out_ += "entries:" + comment() + "\n";
    std::size_t indent = chance(0.5) ? 0 : 1 + index(4);
    std::size_t count = chance(0.05) ? 0 : 1 + index(6);
    if (count == 0) out_.replace(out_.size() - 1, 1, " []\n");
    for (std::size_t i = 0; i < count; ++i) entry(indent);
  }

  // A key the schema ignores, with a value of any shape.
  void unknown_entry(std::size_t indent) {
    out_ += scalar(pick({"note", "extra", "surface_x", "meta data"}), false) + ":";
    switch (index(plain_ ? 5 : 7)) {
      case 0:
        out_ += " " + scalar(text(), false) + "\n";
        break;
      case 1:
        out_ += " [a, 'b', \"c\"]\n";
        break;
      case 2:
        out_ += "\n" + std::string(indent + 2, ' ') + "inner: 1\n" + std::string(indent + 2, ' ') +
                "deeper:\n" + std::string(indent + 4, ' ') + "- x\n";
        break;
      case 3:
        out_ += "\n" + std::string(indent, ' ') + "- one\n" + std::string(indent, ' ') + "- two\n";
        break;
      case 4:
        out_ += "\n";  // null
        break;
      case 5:
        out_ += " " + pick({"&anchor x", "*alias", "!tag x", "{a: 1}", ">\n  folded", "\"multi\n  line\"",
                            "plain\n  continued", "[a,\n  b]", "'a'#x", "a: b"}) + "\n";
        break;
      case 6:
        out_ += " |\n" + std::string(indent + 2, ' ') + "block\n";
        break;
    }
  }

  // Random damage at a random place: YAML's meaningful characters.
  void damage() {
    static const std::vector<std::string> kDamage = {
        "\t", ":", "- ", " ", "\n", "'", "\"", "#", "&a ", "*a", "!", "|", ">", "{", "[", "]",
        "\r", "\x80", "\xC3", "---\n", "...\n", "? ", "%YAML 1.1\n", "\\", "\xEF\xBB\xBF", "  "};
    for (std::size_t i = 0, n = 1 + index(3); i < n && !out_.empty(); ++i) {
      std::size_t at = index(out_.size());
      if (chance(0.3)) {
        out_.erase(at, 1 + index(3));
      } else {
        out_.insert(at, kDamage[index(kDamage.size())]);
      }
    }
  }

  std::mt19937_64 rng_;
  bool chinese_;
  bool plain_;
  std::string out_;
};

struct Language {
  const char* name;
  bool chinese;
  std::string (*outcome)(std::string_view, YamlReading);
  friend void PrintTo(const Language& language, std::ostream* os) { *os << language.name; }
};

class YamlReadingDifferentialTest : public ::testing::TestWithParam<Language> {};

TEST_P(YamlReadingDifferentialTest, FastPathEqualsLibyaml) {
  const Language& language = GetParam();
  int subset_read = 0;
  const int kDocuments = 3000;
  for (int i = 0; i < kDocuments; ++i) {
    PayloadWriter writer(0x5eed0000 + i, language.chinese, /*plain=*/false);
    std::string yaml = writer.document();
    std::string libyaml = language.outcome(yaml, YamlReading::kLibyamlOnly);
    ASSERT_EQ(language.outcome(yaml, YamlReading::kSubsetThenLibyaml), libyaml) << yaml;
    std::string subset = language.outcome(yaml, YamlReading::kSubsetOnly);
    if (subset.find("gave up") == std::string::npos) {
      ++subset_read;
      // What the subset reads alone, it reads as libyaml does, errors aside
      // (the subset's YAML errors are never shown).
      if (subset.find("YAML:") == std::string::npos) {
        ASSERT_EQ(subset, libyaml) << yaml;
      }
    }
  }
  // The damaged and unusual documents must not hide a reader that gives up
  // on everything.
  EXPECT_GT(subset_read, kDocuments / 10);
  std::printf("%s: the subset read %d of %d documents\n", language.name, subset_read, kDocuments);
}

TEST_P(YamlReadingDifferentialTest, SubsetNeverGivesUpOnPlainPayloads) {
  const Language& language = GetParam();
  for (int i = 0; i < 2000; ++i) {
    PayloadWriter writer(0xb10c0000 + i, language.chinese, /*plain=*/true);
    std::string yaml = writer.document();
    std::string subset = language.outcome(yaml, YamlReading::kSubsetOnly);
    ASSERT_EQ(subset.find("gave up"), std::string::npos) << subset << "\n" << yaml;
    ASSERT_EQ(language.outcome(yaml, YamlReading::kLibyamlOnly),
              language.outcome(yaml, YamlReading::kSubsetThenLibyaml))
        << yaml;
  }
}

// Double-quoted escapes and line folding, as a surface and as a reading,
// in the block layout the subset reads and in a flow layout only libyaml
// reads: every layout gives the outcome libyaml gives.
TEST_P(YamlReadingDifferentialTest, EscapesReadAsLibyamlReadsThem) {
  const Language& language = GetParam();
  const char* kScalars[] = {
      R"("\x41\x7e")",  R"("\x80\xFF")",     R"("\u00e9\u4eac")", R"("\uD800")",
      R"("\uDBFF\uDFFF")", R"("\uDFFF")",    R"("\U0010FFFF")",   R"("\U00110000")",
      R"("\U0001F600")", R"("a\0b")",        R"("\0")",           R"("\N\_\L\P")",
      R"("a\ b\tc")",   R"("\e\a\b\v\f")",   R"("\/")",           R"("\q")",
      R"("\x4")",       R"("\u12")",         R"("\xZZ")",         "\"a\n  b\"",
      "\"a\n\n  b\"",   "\"a\\\n  b\"",      "\"a  \n  b\"",      "\"a\\x\n  41\"",
      R"("\uFEFFa")",   R"("\u0085")",       R"("\U00000041")",   R"("\u0000")",
  };
  const std::string type = language.chinese ? "lumra.zh.reading-index.surface-readings"
                                            : "lumra.unidic.reading-index.surface-readings";
  const std::string view = language.chinese ? "pinyin_view: no-tone\n" : "";
  for (const char* scalar : kScalars) {
    for (bool as_surface : {true, false}) {
      const std::string surface = as_surface ? scalar : "\"\\u4e2d\"";
      const std::string reading = as_surface ? "zhong" : scalar;
      const std::string block = "schema_version: 1\npayload_type: " + type + "\n" + view +
                                "entries:\n  - surface: " + surface + "\n    readings:\n      - " +
                                reading + "\n";
      const std::string flow = "{schema_version: 1, payload_type: " + type + ", " +
                               (language.chinese ? "pinyin_view: no-tone, " : "") +
                               "entries: [{surface: " + surface + ", readings: [" + reading +
                               "]}]}\n";
      const std::string libyaml = language.outcome(block, YamlReading::kLibyamlOnly);
      EXPECT_EQ(language.outcome(block, YamlReading::kSubsetThenLibyaml), libyaml) << block;
      // A YAML error names its position, which differs between layouts.
      const auto kind = [](const std::string& outcome) {
        return outcome.find("YAML:") == std::string::npos ? outcome : std::string("YAML error");
      };
      EXPECT_EQ(kind(language.outcome(flow, YamlReading::kSubsetThenLibyaml)), kind(libyaml))
          << flow;
      const std::string subset = language.outcome(block, YamlReading::kSubsetOnly);
      if (subset.find("gave up") == std::string::npos && subset.find("YAML:") == std::string::npos) {
        EXPECT_EQ(subset, libyaml) << block;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Languages, YamlReadingDifferentialTest,
                         ::testing::Values(Language{"ja", false, ja_outcome},
                                           Language{"zh", true, zh_outcome}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace lumra
