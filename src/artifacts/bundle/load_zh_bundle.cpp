#include "artifacts/bundle/load_zh_bundle.h"

#include <string>
#include <utility>

#include "artifacts/bundle/bundle_checks.h"
#include "artifacts/load_payload.h"
#include "artifacts/metadata/zh_metadata.h"
#include "zh/index/canonical_checksum.h"
#include "zh/index/pinyin_view.h"
#include "zh/reading/validate_reading_options.h"

namespace lumra::artifacts {

namespace {

constexpr BundleLanguage kChinese = BundleLanguage::kChinese;

ZhBundleError loader_error(zh::ZhLoadError error) {
  return zh::ZhPayloadLoadError(std::move(error));
}

}  // namespace

Result<LoadedBundle<zh::ZhReadingIndex>, ZhBundleError> load_zh_bundle(
    std::string_view metadata_path, std::optional<std::string_view> bundle_dir) {
  LUMRA_TRY_ASSIGN(MetadataFile file, read_metadata_file(metadata_path, kChinese));
  auto parsed = parse_zh_metadata(file.text);
  if (!parsed.ok()) return Fail(BundleError(bundle_errors::Metadata{parsed.error().message}));
  const ZhArtifactMetadata& metadata = parsed.value();
  LUMRA_TRY(check_artifact_kind(kChinese, metadata.schema_version, metadata.artifact_type,
                                "lumra.zh.reading-index"));

  const std::string directory =
      bundle_dir ? std::string(*bundle_dir) : containing_directory(file.path);
  LUMRA_TRY(check_license_references(directory, metadata.license.references));
  auto payload_path = resolve_bundle_path(directory, metadata.payload.path);
  if (!payload_path.ok()) return Fail(BundleError(payload_path.take_error()));
  LUMRA_TRY(check_file_digest(kChinese, metadata.payload.file_digest_algorithm,
                              metadata.payload.file_digest, payload_path.value()));

  LUMRA_TRY_ASSIGN(std::unique_ptr<zh::ZhReadingIndex> index,
                   load_chinese_payload(payload_path.value(), metadata.payload.format));

  if (index->entry_count() != metadata.build.entries) {
    return Fail(BundleError(
        bundle_errors::EntryCountMismatch{metadata.build.entries, index->entry_count()}));
  }
  const std::string_view view = zh::canonical_name(index->view());
  if (metadata.build.pinyin_view != view) {
    return Fail(BundleError(
        bundle_errors::PinyinViewMismatch{metadata.build.pinyin_view, std::string(view)}));
  }
  auto checksum = zh::zh_canonical_checksum(*index, metadata.payload.checksum_algorithm);
  if (!checksum.ok()) return Fail(loader_error(checksum.take_error()));
  if (!checksum.value()) {
    return Fail(BundleError(
        bundle_errors::UnsupportedChecksumAlgorithm{metadata.payload.checksum_algorithm}));
  }
  if (*checksum.value() != metadata.payload.checksum) {
    return Fail(BundleError(
        bundle_errors::ChecksumMismatch{metadata.payload.checksum, *checksum.value()}));
  }

  const ja::ReadingOptions defaults = reading_options_of(metadata.query_defaults);
  if (auto valid = zh::validate_reading_options(defaults); !valid.ok()) {
    return Fail(loader_error(valid.take_error()));
  }
  return LoadedBundle<zh::ZhReadingIndex>{std::move(index), defaults, metadata.artifact_name,
                                          metadata.source.name, metadata.build.pinyin_view};
}

}  // namespace lumra::artifacts
