#include "artifacts/bundle/load_unidic_bundle.h"

#include <string>
#include <utility>

#include "artifacts/bundle/bundle_checks.h"
#include "artifacts/load_payload.h"
#include "artifacts/metadata/unidic_metadata.h"
#include "ja/unidic/canonical_checksum.h"
#include "ja/reading/validate_reading_options.h"

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

  LUMRA_TRY_ASSIGN(const std::string payload_path,
                   locate_payload(kJapanese, metadata, file, bundle_dir));

  // An indexed or binary payload's checksum is taken with the load, which
  // spares a pass over its entries; any checksum is checked in its own place.
  LUMRA_TRY_ASSIGN(ChecksummedPayload<ja::UnidicReadingIndex> loaded,
                   load_japanese_payload_with_checksum(payload_path, metadata.payload.format,
                                                       metadata.payload.checksum_algorithm));
  std::unique_ptr<ja::UnidicReadingIndex> index = std::move(loaded.index);
  std::optional<std::string> checksum = std::move(loaded.checksum_on_load);
  if (!checksum) {
    auto walked = ja::canonical_payload_checksum(*index, metadata.payload.checksum_algorithm);
    if (!walked.ok()) return Fail(loader_error(walked.take_error()));
    checksum = std::move(walked).value();
  }
  LUMRA_TRY(check_content_checksum(metadata.payload.checksum_algorithm, checksum,
                                   metadata.payload.checksum));
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
