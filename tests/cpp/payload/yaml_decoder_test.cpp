#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "payload/yaml/plain_scalar.h"
#include "payload/yaml/record_schema.h"

namespace lumra::payload {
namespace {

struct Reference {
  std::string label;
  std::string path;
};
struct Document {
  std::uint32_t version = 0;
  std::uint64_t entries = 0;
  bool flag = false;
  std::optional<std::uint64_t> cap;
  std::optional<std::string> digest;
  bool defaulted = true;
  std::vector<std::string> names;
  std::vector<Reference> references;
};

}  // namespace

template <>
struct RecordSchema<Reference> {
  static constexpr std::string_view kName = "Reference";
  static constexpr auto kFields = std::make_tuple(required_field("label", &Reference::label),
                                                  required_field("path", &Reference::path));
};
template <>
struct RecordSchema<Document> {
  static constexpr std::string_view kName = "Document";
  static constexpr auto kFields = std::make_tuple(
      required_field("version", &Document::version), required_field("entries", &Document::entries),
      required_field("flag", &Document::flag), optional_field("cap", &Document::cap),
      optional_field("digest", &Document::digest), optional_field("defaulted", &Document::defaulted),
      required_field("names", &Document::names),
      required_field("references", &Document::references));
};

namespace {

Result<Document, YamlError> decode(std::string_view text) {
  YamlDecoder decoder(text);
  Document document;
  LUMRA_TRY(decode_yaml_document(decoder, document));
  return document;
}

constexpr std::string_view kValid =
    "names: [a, 'b c']\n"
    "unknown: {deep: [1, {x: y}], more: ~}\n"
    "version: 4294967295\n"
    "entries: 18446744073709551615\n"
    "flag: True\n"
    "cap: ~\n"
    "digest: \"123\"\n"
    "references:\n"
    "  - {path: p, label: l, note: ignored}\n"
    "? [complex, key]\n"
    ": ignored\n";

TEST(RecordSchemaTest, DecodesKeysInAnyOrderSkippingUnknownOnes) {
  auto document = decode(kValid);
  ASSERT_TRUE(document.ok()) << document.error().message;
  const Document& d = document.value();
  EXPECT_EQ(d.version, 4294967295u);
  EXPECT_EQ(d.entries, UINT64_MAX);
  EXPECT_TRUE(d.flag);
  EXPECT_EQ(d.cap, std::nullopt);       // null counts as absent
  EXPECT_EQ(d.digest, "123");           // quoted: a string, not a number
  EXPECT_FALSE(d.defaulted);            // absent optional: value-initialised
  EXPECT_EQ(d.names, (std::vector<std::string>{"a", "b c"}));
  ASSERT_EQ(d.references.size(), 1u);
  EXPECT_EQ(d.references[0].label, "l");
  EXPECT_EQ(d.references[0].path, "p");
}

struct ErrorCase {
  std::string yaml;
  std::string message;
};

class RecordSchemaErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(RecordSchemaErrorTest, ReportsTheSchemaErrorWithItsPosition) {
  auto document = decode(GetParam().yaml);
  ASSERT_FALSE(document.ok());
  EXPECT_EQ(document.error().message, GetParam().message);
}

std::string valid_with(std::string_view key_line) {
  std::string text(kValid);
  return text + std::string(key_line);
}

std::string nested(int depth) {
  return "version: 1\nx: " + std::string(depth, '[') + std::string(depth, ']') + "\n";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RecordSchemaErrorTest,
    ::testing::Values(
        ErrorCase{"version: 1\n", "missing field `entries` at line 1 column 1"},
        ErrorCase{valid_with("flag: false\n"), "duplicate field `flag` at line 12 column 1"},
        ErrorCase{"references: [{label: a, label: b}]",
                  "duplicate field `label` at line 1 column 25"},
        ErrorCase{"references: [{label: a}]", "missing field `path` at line 1 column 14"},
        ErrorCase{"version: '1'", "invalid type: string \"1\", expected u32 at line 1 column 10"},
        ErrorCase{"version: 1.5", "invalid type: floating point `1.5`, expected u32 at line 1 column 10"},
        ErrorCase{"version: -1", "invalid value: integer `-1`, expected u32 at line 1 column 10"},
        ErrorCase{"version: 4294967296",
                  "invalid value: integer `4294967296`, expected u32 at line 1 column 10"},
        ErrorCase{"entries: 18446744073709551616",
                  "invalid value: integer `18446744073709551616`, expected u64 at line 1 column 10"},
        ErrorCase{"flag: yes", "invalid type: string \"yes\", expected a boolean at line 1 column 7"},
        ErrorCase{"names: [1]", "invalid type: integer `1`, expected a string at line 1 column 9"},
        ErrorCase{"names: [~]", "invalid type: null, expected a string at line 1 column 9"},
        ErrorCase{"names: {a: b}", "invalid type: map, expected a sequence at line 1 column 8"},
        ErrorCase{"references: [[]]",
                  "invalid type: sequence, expected struct Reference at line 1 column 14"},
        ErrorCase{"version: " + std::string(100, 'x'),
                  "invalid type: string of 100 bytes, expected u32 at line 1 column 10"},
        ErrorCase{"- " + std::string(100, 'x'),
                  "invalid type: sequence, expected struct Document at line 1 column 1"},
        ErrorCase{"", "the YAML stream holds no document at line 1 column 1"},
        ErrorCase{"---\n", "invalid type: null, expected struct Document at line 2 column 1"},
        ErrorCase{std::string(kValid) + "---\nversion: 1\n",
                  "a YAML stream of more than one document at line 12 column 1"},
        ErrorCase{"version: &v 1\nentries: *v\n",
                  "YAML aliases are not supported at line 2 column 10"},
        // the root mapping is the first level
        ErrorCase{nested(63), "missing field `entries` at line 1 column 1"},
        ErrorCase{nested(64), "YAML nesting deeper than 64 levels at line 2 column 67"},
        ErrorCase{"names: [a\xff]", "invalid leading UTF-8 octet (byte value 255) at byte offset 9"},
        ErrorCase{"names: [a, b\nversion: 1",
                  "did not find expected ',' or ']' at line 2 column 8, while parsing a flow "
                  "sequence at line 1 column 8"}));

struct ScalarCase {
  std::string text;
  ScalarKind kind;
};

class PlainScalarTest : public ::testing::TestWithParam<ScalarCase> {};

TEST_P(PlainScalarTest, ResolvesLikeTheCoreSchema) {
  EXPECT_EQ(resolve_plain_scalar(GetParam().text), GetParam().kind) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlainScalarTest,
    ::testing::Values(ScalarCase{"", ScalarKind::kNull}, ScalarCase{"~", ScalarKind::kNull},
                      ScalarCase{"Null", ScalarKind::kNull}, ScalarCase{"nul", ScalarKind::kString},
                      ScalarCase{"TRUE", ScalarKind::kBool}, ScalarCase{"tRue", ScalarKind::kString},
                      ScalarCase{"-12", ScalarKind::kInteger}, ScalarCase{"0x1F", ScalarKind::kInteger},
                      ScalarCase{"0o17", ScalarKind::kInteger}, ScalarCase{"0o18", ScalarKind::kString},
                      ScalarCase{"1.", ScalarKind::kFloat}, ScalarCase{".5e-3", ScalarKind::kFloat},
                      ScalarCase{"-.inf", ScalarKind::kFloat}, ScalarCase{".", ScalarKind::kString},
                      ScalarCase{"1e", ScalarKind::kString}, ScalarCase{"12a", ScalarKind::kString},
                      ScalarCase{"日本", ScalarKind::kString}));

TEST(PlainScalarTest, ParsesIntegersWithOverflow) {
  EXPECT_EQ(parse_integer("0x10").magnitude, 16u);
  EXPECT_EQ(parse_integer("0o17").magnitude, 15u);
  EXPECT_TRUE(parse_integer("-3").negative);
  EXPECT_FALSE(parse_integer("18446744073709551615").overflow);
  EXPECT_TRUE(parse_integer("18446744073709551616").overflow);
}

}  // namespace
}  // namespace lumra::payload
