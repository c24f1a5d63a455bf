// metadata.yaml of both languages: one table of documents, each made from a
// valid one by one edit, with the message or the values it must give.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "artifacts/metadata/unidic_metadata.h"
#include "artifacts/metadata/zh_metadata.h"

namespace lumra::artifacts {
namespace {

const std::string kDigest(64, 'a');
const std::string kChecksum(64, 'b');

// Line numbers matter: the expected messages give positions in it.
const std::string kJaValid =
    "schema_version: 1\n"                              // 1
    "artifact_type: lumra.unidic.reading-index\n"      // 2
    "artifact_name: unidic-test\n"                     // 3
    "generator: lumra-build 0.2.3\n"                   // 4
    "payload:\n"                                       // 5
    "  path: payload/readings.yaml\n"                  // 6
    "  format: yaml\n"                                 // 7
    "  file_digest_algorithm: sha256-file-v1\n"        // 8
    "  file_digest: " + kDigest + "\n"                 // 9
    "  checksum_algorithm: sha256-canonical-v1\n"      // 10
    "  checksum: " + kChecksum + "\n"                  // 11
    "source:\n"                                        // 12
    "  name: UniDic\n"                                 // 13
    "  version: \"3.1.0\"\n"                           // 14
    "  lex_csv: lex_3_1.csv\n"                         // 15
    "build:\n"                                         // 16
    "  reading_field: kana\n"                          // 17
    "  exclude_ascii_surfaces: true\n"                 // 18
    "  exclude_symbol_pos: false\n"                    // 19
    "  max_readings_per_surface: 8\n"                  // 20
    "  entries: 42\n"                                  // 21
    "query_defaults:\n"                                // 22
    "  max_span_chars: 8\n"                            // 23
    "  max_paths: 1024\n"                              // 24
    "  longest_match_only: false\n"                    // 25
    "  max_readings_per_segment: 4\n"                  // 26
    "license:\n"                                       // 27
    "  selected_license: BSD-3-Clause\n"               // 28
    "  references:\n"                                  // 29
    "    - label: UniDic licence\n"                    // 30
    "      path: licenses/BSD.txt\n";                  // 31

UnidicArtifactMetadata ja_expected() {
  UnidicArtifactMetadata m;
  m.schema_version = 1;
  m.artifact_type = "lumra.unidic.reading-index";
  m.artifact_name = "unidic-test";
  m.generator = "lumra-build 0.2.3";
  m.payload = {"payload/readings.yaml", "yaml", "sha256-file-v1", kDigest, "sha256-canonical-v1",
               kChecksum};
  m.source = {"UniDic", "3.1.0", "lex_3_1.csv"};
  m.build = {"kana", true, false, false, false, 8, 42};
  m.query_defaults = {8, 1024, false, 4};
  m.license = {"BSD-3-Clause", {{"UniDic licence", "licenses/BSD.txt"}}};
  return m;
}

const std::string kZhValid =
    "schema_version: 1\n"                              // 1
    "artifact_type: lumra.zh.reading-index\n"          // 2
    "artifact_name: cedict-test\n"                     // 3
    "generator: lumra-build 0.2.3\n"                   // 4
    "payload:\n"                                       // 5
    "  path: payload.lumra\n"                          // 6
    "  format: indexed\n"                              // 7
    "  checksum_algorithm: sha256-canonical-v1\n"      // 8
    "  checksum: " + kChecksum + "\n"                  // 9
    "source:\n"                                        // 10
    "  name: CC-CEDICT\n"                              // 11
    "  version: '2026-01-01'\n"                        // 12
    "  cedict: cedict_ts.u8\n"                         // 13
    "build:\n"                                         // 14
    "  pinyin_view: tone3\n"                           // 15
    "  entries: 7\n"                                   // 16
    "query_defaults:\n"                                // 17
    "  max_span_chars: 8\n"                            // 18
    "  max_paths: 1024\n"                              // 19
    "  longest_match_only: true\n"                     // 20
    "license:\n"                                       // 21
    "  selected_license: CC-BY-SA-4.0\n"               // 22
    "  references: []\n";                              // 23

ZhArtifactMetadata zh_expected() {
  ZhArtifactMetadata m;
  m.schema_version = 1;
  m.artifact_type = "lumra.zh.reading-index";
  m.artifact_name = "cedict-test";
  m.generator = "lumra-build 0.2.3";
  m.payload = {"payload.lumra", "indexed", std::nullopt, std::nullopt, "sha256-canonical-v1",
               kChecksum};
  m.source = {"CC-CEDICT", "2026-01-01", "cedict_ts.u8"};
  m.build = {"tone3", std::nullopt, 7};
  m.query_defaults = {8, 1024, true, std::nullopt};
  m.license = {"CC-BY-SA-4.0", {}};
  return m;
}

// `text` with its one occurrence of `from` replaced by `to`.
std::string with(const std::string& text, const std::string& from, const std::string& to) {
  std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  EXPECT_EQ(text.find(from, at + 1), std::string::npos) << from;
  if (at == std::string::npos) return text;
  return text.substr(0, at) + to + text.substr(at + from.size());
}

template <class Metadata>
struct Case {
  std::string name;
  std::string yaml;
  std::string error;                            // empty: parses
  std::function<void(Metadata&)> expect_edit;  // applied to the valid document's values
  friend void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }
};
using JaCase = Case<UnidicArtifactMetadata>;
using ZhCase = Case<ZhArtifactMetadata>;

template <class Metadata, class Parse>
void check(const Case<Metadata>& c, Metadata expected, Parse parse) {
  auto parsed = parse(c.yaml);
  if (!c.error.empty()) {
    ASSERT_FALSE(parsed.ok());
    EXPECT_EQ(parsed.error().message, c.error);
    return;
  }
  ASSERT_TRUE(parsed.ok()) << parsed.error().message;
  if (c.expect_edit) c.expect_edit(expected);
  EXPECT_TRUE(parsed.value() == expected);
}

const std::string V = kJaValid;

const std::vector<JaCase> kJaCases = {
    {"valid", V, "", nullptr},
    // Unknown keys, with any value, at every level.
    {"unknown_root_key", V + "extra: {deep: [1, {x: [y, ~]}], more: !!str z}\n", "", nullptr},
    {"unknown_in_records",
     with(with(with(V, "  path: payload/readings.yaml\n",
                    "  path: payload/readings.yaml\n  note: [a, {b: c}]\n"),
               "  lex_csv: lex_3_1.csv\n", "  lex_csv: lex_3_1.csv\n  url: {x: 1}\n"),
          "      path: licenses/BSD.txt\n", "      path: licenses/BSD.txt\n      sha: [1]\n"),
     "", nullptr},
    {"unknown_key_given_twice", V + "extra: 1\nextra: 2\n", "", nullptr},
    {"aliases_under_unknown_keys", V + "extra: &shared {x: [1]}\nmore: *shared\nlist: [*shared]\n",
     "", nullptr},
    {"alias_for_a_known_key",
     "anchor: &name unidic-test\n" + with(V, "artifact_name: unidic-test", "artifact_name: *name"),
     "YAML aliases are not supported at line 4 column 16", nullptr},
    // Null forms of optional keys count as absent; a null required key is a type error.
    {"file_digest_tilde", with(V, "  file_digest: " + kDigest, "  file_digest: ~"), "",
     [](auto& m) { m.payload.file_digest.reset(); }},
    {"file_digest_empty", with(V, "  file_digest: " + kDigest, "  file_digest:"), "",
     [](auto& m) { m.payload.file_digest.reset(); }},
    {"null_forms",
     with(with(with(V, "  file_digest_algorithm: sha256-file-v1", "  file_digest_algorithm: null"),
               "  max_readings_per_surface: 8", "  max_readings_per_surface: Null"),
          "  max_readings_per_segment: 4", "  max_readings_per_segment: NULL"),
     "", [](auto& m) {
       m.payload.file_digest_algorithm.reset();
       m.build.max_readings_per_surface.reset();
       m.query_defaults.max_readings_per_segment.reset();
     }},
    {"quoted_null_is_a_string", with(V, "  file_digest: " + kDigest, "  file_digest: '~'"), "",
     [](auto& m) { m.payload.file_digest = "~"; }},
    {"required_null", with(V, "artifact_name: unidic-test", "artifact_name: ~"),
     "invalid type: null, expected a string at line 3 column 16", nullptr},
    // Defaults and optional keys.
    {"optional_absent",
     with(with(V, "  max_readings_per_surface: 8\n", ""), "  max_readings_per_segment: 4\n", ""),
     "", [](auto& m) {
       m.build.max_readings_per_surface.reset();
       m.query_defaults.max_readings_per_segment.reset();
     }},
    {"segment_cap_zero", with(V, "max_readings_per_segment: 4", "max_readings_per_segment: 0"), "",
     [](auto& m) { m.query_defaults.max_readings_per_segment = 0; }},
    {"defaulted_flags_given",
     with(V, "  exclude_symbol_pos: false\n",
          "  exclude_symbol_pos: False\n  include_normalized_surfaces: TRUE\n"
          "  exclude_unsupported_readings: True\n"),
     "", [](auto& m) {
       m.build.include_normalized_surfaces = true;
       m.build.exclude_unsupported_readings = true;
     }},
    {"defaulted_flags_null",
     with(V, "  exclude_symbol_pos: false\n",
          "  exclude_symbol_pos: FALSE\n  include_normalized_surfaces: ~\n"),
     "", nullptr},
    {"empty_references",
     with(V, "    - label: UniDic licence\n      path: licenses/BSD.txt\n", "    []\n"), "",
     [](auto& m) { m.license.references.clear(); }},
    // Missing required keys, reported at the start of their record.
    {"missing_exclude_symbol_pos", with(V, "  exclude_symbol_pos: false\n", ""),
     "missing field `exclude_symbol_pos` at line 17 column 3", nullptr},
    {"missing_longest_match_only", with(V, "  longest_match_only: false\n", ""),
     "missing field `longest_match_only` at line 23 column 3", nullptr},
    {"missing_root_key", with(V, "generator: lumra-build 0.2.3\n", ""),
     "missing field `generator` at line 1 column 1", nullptr},
    {"missing_reference_path", with(V, "      path: licenses/BSD.txt\n", ""),
     "missing field `path` at line 30 column 7", nullptr},
    {"missing_references", with(V, "  references:\n    - label: UniDic licence\n      path: "
                                   "licenses/BSD.txt\n", ""),
     "missing field `references` at line 28 column 3", nullptr},
    // Duplicates, at the second occurrence.
    {"duplicate_root_key", V + "artifact_name: again\n",
     "duplicate field `artifact_name` at line 32 column 1", nullptr},
    {"duplicate_nested_key", with(V, "  format: yaml\n", "  format: yaml\n  format: binary\n"),
     "duplicate field `format` at line 8 column 3", nullptr},
    // Scalars of the wrong kind.
    {"quoted_schema_version", with(V, "schema_version: 1", "schema_version: \"1\""),
     "invalid type: string \"1\", expected u32 at line 1 column 17", nullptr},
    {"schema_version_max", with(V, "schema_version: 1", "schema_version: 4294967295"), "",
     [](auto& m) { m.schema_version = 4294967295u; }},
    {"schema_version_over_u32", with(V, "schema_version: 1", "schema_version: 4294967296"),
     "invalid value: integer `4294967296`, expected u32 at line 1 column 17", nullptr},
    {"negative_entries", with(V, "entries: 42", "entries: -1"),
     "invalid value: integer `-1`, expected u64 at line 21 column 12", nullptr},
    {"entries_max", with(V, "entries: 42", "entries: 18446744073709551615"), "",
     [](auto& m) { m.build.entries = 18446744073709551615ull; }},
    {"entries_over_u64", with(V, "entries: 42", "entries: 18446744073709551616"),
     "invalid value: integer `18446744073709551616`, expected u64 at line 21 column 12", nullptr},
    {"yes_is_not_a_bool", with(V, "exclude_ascii_surfaces: true", "exclude_ascii_surfaces: yes"),
     "invalid type: string \"yes\", expected a boolean at line 18 column 27", nullptr},
    {"number_for_string", with(V, "  version: \"3.1.0\"", "  version: 3.1"),
     "invalid type: floating point `3.1`, expected a string at line 14 column 12", nullptr},
    {"bool_for_string", with(V, "reading_field: kana", "reading_field: true"),
     "invalid type: boolean `true`, expected a string at line 17 column 18", nullptr},
    // Records of the wrong kind name their record.
    {"scalar_payload", V.substr(0, V.find("payload:")) + "payload: here\n" +
                           V.substr(V.find("source:")),
     "invalid type: string \"here\", expected struct UnidicArtifactPayload at line 5 column 10",
     nullptr},
    {"sequence_license", V.substr(0, V.find("license:")) + "license: [a]\n",
     "invalid type: sequence, expected struct UnidicArtifactLicense at line 27 column 10", nullptr},
    {"scalar_reference",
     with(V, "    - label: UniDic licence\n      path: licenses/BSD.txt\n", "    - BSD\n"),
     "invalid type: string \"BSD\", expected struct UnidicArtifactLicenseReference at line 30 "
     "column 7",
     nullptr},
    {"scalar_document", "metadata\n",
     "invalid type: string \"metadata\", expected struct UnidicArtifactMetadata at line 1 column 1",
     nullptr},
};

class UnidicMetadataTest : public ::testing::TestWithParam<JaCase> {};

TEST_P(UnidicMetadataTest, ParsesOrFailsWithTheExactMessage) {
  check(GetParam(), ja_expected(), parse_unidic_metadata);
}

INSTANTIATE_TEST_SUITE_P(Documents, UnidicMetadataTest, ::testing::ValuesIn(kJaCases),
                         [](const auto& info) { return info.param.name; });

const std::string Z = kZhValid;

const std::vector<ZhCase> kZhCases = {
    {"valid", Z, "", nullptr},
    {"japanese_keys_ignored",
     with(Z, "  cedict: cedict_ts.u8\n", "  cedict: cedict_ts.u8\n  lex_csv: x\n"), "", nullptr},
    {"optional_keys_given",
     with(with(Z, "  checksum_algorithm:", "  file_digest_algorithm: sha256-file-v1\n"
                                           "  file_digest: " + kDigest + "\n  checksum_algorithm:"),
          "  entries: 7\n", "  max_readings_per_surface: 0\n  entries: 7\n") +
         "extra:\n  - [nested, {deep: 1}]\n",
     "", [](auto& m) {
       m.payload.file_digest_algorithm = "sha256-file-v1";
       m.payload.file_digest = kDigest;
       m.build.max_readings_per_surface = 0;
     }},
    {"missing_cedict", with(Z, "  cedict: cedict_ts.u8\n", "  lex_csv: x\n"),
     "missing field `cedict` at line 11 column 3", nullptr},
    {"missing_pinyin_view", with(Z, "  pinyin_view: tone3\n", ""),
     "missing field `pinyin_view` at line 15 column 3", nullptr},
    {"scalar_build", Z.substr(0, Z.find("build:")) + "build: tone3\n" + Z.substr(Z.find("query_")),
     "invalid type: string \"tone3\", expected struct ZhArtifactBuild at line 14 column 8", nullptr},
    {"scalar_reference", with(Z, "references: []", "references: [x]"),
     "invalid type: string \"x\", expected struct ZhArtifactLicenseReference at line 23 column 16",
     nullptr},
    {"duplicate_in_query_defaults", with(Z, "  max_paths: 1024\n", "  max_paths: 1024\n  max_paths: 1\n"),
     "duplicate field `max_paths` at line 20 column 3", nullptr},
};

class ZhMetadataTest : public ::testing::TestWithParam<ZhCase> {};

TEST_P(ZhMetadataTest, ParsesOrFailsWithTheExactMessage) {
  check(GetParam(), zh_expected(), parse_zh_metadata);
}

INSTANTIATE_TEST_SUITE_P(Documents, ZhMetadataTest, ::testing::ValuesIn(kZhCases),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace lumra::artifacts
