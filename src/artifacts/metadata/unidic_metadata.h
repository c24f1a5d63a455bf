// The metadata.yaml of a Japanese (UniDic) bundle, as parsed: the shape and
// types of every key, no value checked. Which values a bundle may hold, and
// in which order they are checked, is bundle loading's business.
//
// Members are named as their keys. A key that may be absent is optional
// here, or, for the two build flags that default to false, a plain bool.
// Keys that are not listed are ignored at every level.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/result.h"
#include "payload/yaml/yaml_error.h"

namespace lumra::artifacts {

// The payload file and what it must hash and check to.
struct UnidicArtifactPayload {
  std::string path;  // inside the bundle, "/"-separated
  std::string format;
  std::optional<std::string> file_digest_algorithm;
  std::optional<std::string> file_digest;
  std::string checksum_algorithm;
  std::string checksum;
  friend bool operator==(const UnidicArtifactPayload&, const UnidicArtifactPayload&) = default;
};

// The lexicon the payload was derived from.
struct UnidicArtifactSource {
  std::string name;
  std::string version;
  std::string lex_csv;
  friend bool operator==(const UnidicArtifactSource&, const UnidicArtifactSource&) = default;
};

// How the payload was built, and how many surfaces it holds.
struct UnidicArtifactBuild {
  std::string reading_field;
  bool exclude_ascii_surfaces = false;
  bool exclude_symbol_pos = false;
  bool include_normalized_surfaces = false;
  bool exclude_unsupported_readings = false;
  std::optional<std::uint64_t> max_readings_per_surface;
  std::uint64_t entries = 0;
  friend bool operator==(const UnidicArtifactBuild&, const UnidicArtifactBuild&) = default;
};

// The reading options a dictionary loaded from the bundle starts with.
struct UnidicArtifactQueryDefaults {
  std::uint64_t max_span_chars = 0;
  std::uint64_t max_paths = 0;
  bool longest_match_only = false;
  std::optional<std::uint64_t> max_readings_per_segment;  // absent: no cap
  friend bool operator==(const UnidicArtifactQueryDefaults&, const UnidicArtifactQueryDefaults&) = default;
};

struct UnidicArtifactLicenseReference {
  std::string label;
  std::string path;  // inside the bundle, as the payload's path
  friend bool operator==(const UnidicArtifactLicenseReference&, const UnidicArtifactLicenseReference&) = default;
};

struct UnidicArtifactLicense {
  std::string selected_license;
  std::vector<UnidicArtifactLicenseReference> references;  // may be empty
  friend bool operator==(const UnidicArtifactLicense&, const UnidicArtifactLicense&) = default;
};

struct UnidicArtifactMetadata {
  std::uint32_t schema_version = 0;
  std::string artifact_type;
  std::string artifact_name;
  std::string generator;
  UnidicArtifactPayload payload;
  UnidicArtifactSource source;
  UnidicArtifactBuild build;
  UnidicArtifactQueryDefaults query_defaults;
  UnidicArtifactLicense license;
  friend bool operator==(const UnidicArtifactMetadata&, const UnidicArtifactMetadata&) = default;
};

// Parses one YAML document. Fails with the YAML layer's message and
// position: "missing field `{}`", "duplicate field `{}`", "invalid type: {},
// expected {}" (a record is expected as "struct UnidicArtifactPayload" and
// so on), "invalid value: {}, expected {}" for an integer out of its range,
// or libyaml's own description of a text that is not YAML.
Result<UnidicArtifactMetadata, payload::YamlError> parse_unidic_metadata(std::string_view text);

}  // namespace lumra::artifacts
