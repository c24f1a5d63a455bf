#include "artifacts/metadata/unidic_metadata.h"

#include <tuple>

#include "payload/yaml/record_schema.h"
#include "payload/yaml/yaml_decoder.h"

namespace lumra::payload {

using artifacts::UnidicArtifactBuild;
using artifacts::UnidicArtifactLicense;
using artifacts::UnidicArtifactLicenseReference;
using artifacts::UnidicArtifactMetadata;
using artifacts::UnidicArtifactPayload;
using artifacts::UnidicArtifactQueryDefaults;
using artifacts::UnidicArtifactSource;

// Fields in the order of the file's documentation: when several required
// keys are missing, the first of them is the one reported.

template <>
struct RecordSchema<UnidicArtifactPayload> {
  static constexpr std::string_view kName = "UnidicArtifactPayload";
  static constexpr auto kFields = std::make_tuple(
      required_field("path", &UnidicArtifactPayload::path),
      required_field("format", &UnidicArtifactPayload::format),
      optional_field("file_digest_algorithm", &UnidicArtifactPayload::file_digest_algorithm),
      optional_field("file_digest", &UnidicArtifactPayload::file_digest),
      required_field("checksum_algorithm", &UnidicArtifactPayload::checksum_algorithm),
      required_field("checksum", &UnidicArtifactPayload::checksum));
};

template <>
struct RecordSchema<UnidicArtifactSource> {
  static constexpr std::string_view kName = "UnidicArtifactSource";
  static constexpr auto kFields =
      std::make_tuple(required_field("name", &UnidicArtifactSource::name),
                      required_field("version", &UnidicArtifactSource::version),
                      required_field("lex_csv", &UnidicArtifactSource::lex_csv));
};

template <>
struct RecordSchema<UnidicArtifactBuild> {
  static constexpr std::string_view kName = "UnidicArtifactBuild";
  static constexpr auto kFields = std::make_tuple(
      required_field("reading_field", &UnidicArtifactBuild::reading_field),
      required_field("exclude_ascii_surfaces", &UnidicArtifactBuild::exclude_ascii_surfaces),
      required_field("exclude_symbol_pos", &UnidicArtifactBuild::exclude_symbol_pos),
      optional_field("include_normalized_surfaces",
                     &UnidicArtifactBuild::include_normalized_surfaces),
      optional_field("exclude_unsupported_readings",
                     &UnidicArtifactBuild::exclude_unsupported_readings),
      optional_field("max_readings_per_surface", &UnidicArtifactBuild::max_readings_per_surface),
      required_field("entries", &UnidicArtifactBuild::entries));
};

template <>
struct RecordSchema<UnidicArtifactQueryDefaults> {
  static constexpr std::string_view kName = "UnidicArtifactQueryDefaults";
  static constexpr auto kFields = std::make_tuple(
      required_field("max_span_chars", &UnidicArtifactQueryDefaults::max_span_chars),
      required_field("max_paths", &UnidicArtifactQueryDefaults::max_paths),
      required_field("longest_match_only", &UnidicArtifactQueryDefaults::longest_match_only),
      optional_field("max_readings_per_segment",
                     &UnidicArtifactQueryDefaults::max_readings_per_segment));
};

template <>
struct RecordSchema<UnidicArtifactLicenseReference> {
  static constexpr std::string_view kName = "UnidicArtifactLicenseReference";
  static constexpr auto kFields =
      std::make_tuple(required_field("label", &UnidicArtifactLicenseReference::label),
                      required_field("path", &UnidicArtifactLicenseReference::path));
};

template <>
struct RecordSchema<UnidicArtifactLicense> {
  static constexpr std::string_view kName = "UnidicArtifactLicense";
  static constexpr auto kFields =
      std::make_tuple(required_field("selected_license", &UnidicArtifactLicense::selected_license),
                      required_field("references", &UnidicArtifactLicense::references));
};

template <>
struct RecordSchema<UnidicArtifactMetadata> {
  static constexpr std::string_view kName = "UnidicArtifactMetadata";
  static constexpr auto kFields = std::make_tuple(
      required_field("schema_version", &UnidicArtifactMetadata::schema_version),
      required_field("artifact_type", &UnidicArtifactMetadata::artifact_type),
      required_field("artifact_name", &UnidicArtifactMetadata::artifact_name),
      required_field("generator", &UnidicArtifactMetadata::generator),
      required_field("payload", &UnidicArtifactMetadata::payload),
      required_field("source", &UnidicArtifactMetadata::source),
      required_field("build", &UnidicArtifactMetadata::build),
      required_field("query_defaults", &UnidicArtifactMetadata::query_defaults),
      required_field("license", &UnidicArtifactMetadata::license));
};

}  // namespace lumra::payload

namespace lumra::artifacts {

Result<UnidicArtifactMetadata, payload::YamlError> parse_unidic_metadata(std::string_view text) {
  payload::YamlDecoder decoder(text);
  UnidicArtifactMetadata metadata;
  LUMRA_TRY(payload::decode_yaml_document(decoder, metadata));
  return metadata;
}

}  // namespace lumra::artifacts
