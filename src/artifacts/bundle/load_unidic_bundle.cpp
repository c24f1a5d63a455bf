#include "artifacts/bundle/load_unidic_bundle.h"

#include <string>
#include <utility>

#include "artifacts/bundle/bundle_checks.h"
#include "artifacts/load_payload.h"
#include "artifacts/metadata/unidic_metadata.h"
#include "ja/reading/validate_reading_options.h"
#include "ja/unidic/canonical_checksum.h"

namespace lumra::artifacts {

namespace {

constexpr BundleLanguage kJapanese = BundleLanguage::kJapanese;

UnidicBundleError loader_error(ja::UnidicLoadError error) {
  return ja::UnidicPayloadLoadError(std::move(error));
}

}  // namespace

Result<LoadedBundle<ja::UnidicReadingIndex>, UnidicBundleError> load_unidic_bundle(
    std::string_view metadata_path, std::optional<std::string_view> bundle_dir) {
  LUMRA_TRY_ASSIGN(MetadataFile file, read_metadata_file(metadata_path, kJapanese));
  auto parsed = parse_unidic_metadata(file.text);
  if (!parsed.ok()) return Fail(BundleError(bundle_errors::Metadata{parsed.error().message}));
  const UnidicArtifactMetadata& metadata = parsed.value();
  LUMRA_TRY(check_artifact_kind(kJapanese, metadata.schema_version, metadata.artifact_type,
                                "lumra.unidic.reading-index"));

  const std::string directory =
      bundle_dir ? std::string(*bundle_dir) : containing_directory(file.path);
  LUMRA_TRY(check_license_references(directory, metadata.license.references));
  auto payload_path = resolve_bundle_path(directory, metadata.payload.path);
  if (!payload_path.ok()) return Fail(BundleError(payload_path.take_error()));
  LUMRA_TRY(check_file_digest(kJapanese, metadata.payload.file_digest_algorithm,
                              metadata.payload.file_digest, payload_path.value()));

  LUMRA_TRY_ASSIGN(std::unique_ptr<ja::UnidicReadingIndex> index,
                   load_japanese_payload(payload_path.value(), metadata.payload.format));

  auto checksum = ja::canonical_payload_checksum(*index, metadata.payload.checksum_algorithm);
  if (!checksum.ok()) return Fail(loader_error(checksum.take_error()));
  if (!checksum.value()) {
    return Fail(BundleError(
        bundle_errors::UnsupportedChecksumAlgorithm{metadata.payload.checksum_algorithm}));
  }
  if (*checksum.value() != metadata.payload.checksum) {
    return Fail(BundleError(
        bundle_errors::ChecksumMismatch{metadata.payload.checksum, *checksum.value()}));
  }
  if (index->entry_count() != metadata.build.entries) {
    return Fail(BundleError(
        bundle_errors::EntryCountMismatch{metadata.build.entries, index->entry_count()}));
  }

  const ja::ReadingOptions defaults = reading_options_of(metadata.query_defaults);
  if (auto valid = ja::validate_reading_options(defaults); !valid.ok()) {
    return Fail(loader_error(valid.take_error()));
  }
  return LoadedBundle<ja::UnidicReadingIndex>{std::move(index), defaults, metadata.artifact_name,
                                              metadata.source.name, metadata.build.reading_field};
}

}  // namespace lumra::artifacts
