#include "artifacts/metadata/zh_metadata.h"

#include <tuple>

#include "payload/yaml/record_schema.h"
#include "payload/yaml/yaml_decoder.h"

namespace lumra::payload {

using artifacts::ZhArtifactBuild;
using artifacts::ZhArtifactLicense;
using artifacts::ZhArtifactLicenseReference;
using artifacts::ZhArtifactMetadata;
using artifacts::ZhArtifactPayload;
using artifacts::ZhArtifactQueryDefaults;
using artifacts::ZhArtifactSource;

// Fields in the order of the file's documentation: when several required
// keys are missing, the first of them is the one reported.

template <>
struct RecordSchema<ZhArtifactPayload> {
  static constexpr std::string_view kName = "ZhArtifactPayload";
  static constexpr auto kFields = std::make_tuple(
      required_field("path", &ZhArtifactPayload::path),
      required_field("format", &ZhArtifactPayload::format),
      optional_field("file_digest_algorithm", &ZhArtifactPayload::file_digest_algorithm),
      optional_field("file_digest", &ZhArtifactPayload::file_digest),
      required_field("checksum_algorithm", &ZhArtifactPayload::checksum_algorithm),
      required_field("checksum", &ZhArtifactPayload::checksum));
};

template <>
struct RecordSchema<ZhArtifactSource> {
  static constexpr std::string_view kName = "ZhArtifactSource";
  static constexpr auto kFields =
      std::make_tuple(required_field("name", &ZhArtifactSource::name),
                      required_field("version", &ZhArtifactSource::version),
                      required_field("cedict", &ZhArtifactSource::cedict));
};

template <>
struct RecordSchema<ZhArtifactBuild> {
  static constexpr std::string_view kName = "ZhArtifactBuild";
  static constexpr auto kFields = std::make_tuple(
      required_field("pinyin_view", &ZhArtifactBuild::pinyin_view),
      optional_field("max_readings_per_surface", &ZhArtifactBuild::max_readings_per_surface),
      required_field("entries", &ZhArtifactBuild::entries));
};

template <>
struct RecordSchema<ZhArtifactQueryDefaults> {
  static constexpr std::string_view kName = "ZhArtifactQueryDefaults";
  static constexpr auto kFields = std::make_tuple(
      required_field("max_span_chars", &ZhArtifactQueryDefaults::max_span_chars),
      required_field("max_paths", &ZhArtifactQueryDefaults::max_paths),
      required_field("longest_match_only", &ZhArtifactQueryDefaults::longest_match_only),
      optional_field("max_readings_per_segment",
                     &ZhArtifactQueryDefaults::max_readings_per_segment));
};

template <>
struct RecordSchema<ZhArtifactLicenseReference> {
  static constexpr std::string_view kName = "ZhArtifactLicenseReference";
  static constexpr auto kFields =
      std::make_tuple(required_field("label", &ZhArtifactLicenseReference::label),
                      required_field("path", &ZhArtifactLicenseReference::path));
};

template <>
struct RecordSchema<ZhArtifactLicense> {
  static constexpr std::string_view kName = "ZhArtifactLicense";
  static constexpr auto kFields =
      std::make_tuple(required_field("selected_license", &ZhArtifactLicense::selected_license),
                      required_field("references", &ZhArtifactLicense::references));
};

template <>
struct RecordSchema<ZhArtifactMetadata> {
  static constexpr std::string_view kName = "ZhArtifactMetadata";
  static constexpr auto kFields = std::make_tuple(
      required_field("schema_version", &ZhArtifactMetadata::schema_version),
      required_field("artifact_type", &ZhArtifactMetadata::artifact_type),
      required_field("artifact_name", &ZhArtifactMetadata::artifact_name),
      required_field("generator", &ZhArtifactMetadata::generator),
      required_field("payload", &ZhArtifactMetadata::payload),
      required_field("source", &ZhArtifactMetadata::source),
      required_field("build", &ZhArtifactMetadata::build),
      required_field("query_defaults", &ZhArtifactMetadata::query_defaults),
      required_field("license", &ZhArtifactMetadata::license));
};

}  // namespace lumra::payload

namespace lumra::artifacts {

Result<ZhArtifactMetadata, payload::YamlError> parse_zh_metadata(std::string_view text) {
  payload::YamlDecoder decoder(text);
  ZhArtifactMetadata metadata;
  LUMRA_TRY(payload::decode_yaml_document(decoder, metadata));
  return metadata;
}

}  // namespace lumra::artifacts
