// The metadata.yaml of a Chinese bundle, as parsed: the shape and
// types of every key, no value checked. Which values a bundle may hold, and
// in which order they are checked, is bundle loading's business.
//
// Members are named as their keys; a key that may be absent is optional
// here. Keys that are not listed are ignored at every level.
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
struct ZhArtifactPayload {
  std::string path;  // inside the bundle, "/"-separated
  std::string format;
  std::optional<std::string> file_digest_algorithm;
  std::optional<std::string> file_digest;
  std::string checksum_algorithm;
  std::string checksum;
  friend bool operator==(const ZhArtifactPayload&, const ZhArtifactPayload&) = default;
};

// The dictionary the payload was derived from.
struct ZhArtifactSource {
  std::string name;
  std::string version;
  std::string cedict;
  friend bool operator==(const ZhArtifactSource&, const ZhArtifactSource&) = default;
};

// How the payload was built, and how many surfaces it holds.
struct ZhArtifactBuild {
  std::string pinyin_view;
  std::optional<std::uint64_t> max_readings_per_surface;
  std::uint64_t entries = 0;
  friend bool operator==(const ZhArtifactBuild&, const ZhArtifactBuild&) = default;
};

// The reading options a dictionary loaded from the bundle starts with.
struct ZhArtifactQueryDefaults {
  std::uint64_t max_span_chars = 0;
  std::uint64_t max_paths = 0;
  bool longest_match_only = false;
  std::optional<std::uint64_t> max_readings_per_segment;  // absent: no cap
  friend bool operator==(const ZhArtifactQueryDefaults&, const ZhArtifactQueryDefaults&) = default;
};

struct ZhArtifactLicenseReference {
  std::string label;
  std::string path;  // inside the bundle, as the payload's path
  friend bool operator==(const ZhArtifactLicenseReference&, const ZhArtifactLicenseReference&) = default;
};

struct ZhArtifactLicense {
  std::string selected_license;
  std::vector<ZhArtifactLicenseReference> references;  // may be empty
  friend bool operator==(const ZhArtifactLicense&, const ZhArtifactLicense&) = default;
};

struct ZhArtifactMetadata {
  std::uint32_t schema_version = 0;
  std::string artifact_type;
  std::string artifact_name;
  std::string generator;
  ZhArtifactPayload payload;
  ZhArtifactSource source;
  ZhArtifactBuild build;
  ZhArtifactQueryDefaults query_defaults;
  ZhArtifactLicense license;
  friend bool operator==(const ZhArtifactMetadata&, const ZhArtifactMetadata&) = default;
};

// Parses one YAML document. Fails with the YAML layer's message and
// position: "missing field `{}`", "duplicate field `{}`", "invalid type: {},
// expected {}" (a record is expected as "struct ZhArtifactPayload" and
// so on), "invalid value: {}, expected {}" for an integer out of its range,
// or libyaml's own description of a text that is not YAML.
Result<ZhArtifactMetadata, payload::YamlError> parse_zh_metadata(std::string_view text);

}  // namespace lumra::artifacts
