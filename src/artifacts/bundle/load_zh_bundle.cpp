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

  LUMRA_TRY_ASSIGN(const std::string payload_path,
                   locate_payload(kChinese, metadata, file, bundle_dir));

  // An indexed payload's checksum is taken with the load, which spares a
  // second walk of its entries; any checksum is checked in its own place,
  // after the cheaper checks, and only then taken for the other forms.
  LUMRA_TRY_ASSIGN(ChecksummedPayload<zh::ZhReadingIndex> loaded,
                   load_chinese_payload_with_checksum(payload_path, metadata.payload.format,
                                                      metadata.payload.checksum_algorithm));
  std::unique_ptr<zh::ZhReadingIndex> index = std::move(loaded.index);
  if (index->entry_count() != metadata.build.entries) {
    return Fail(BundleError(
        bundle_errors::EntryCountMismatch{metadata.build.entries, index->entry_count()}));
  }
  const std::string_view view = zh::canonical_name(index->view());
  if (metadata.build.pinyin_view != view) {
    return Fail(BundleError(
        bundle_errors::PinyinViewMismatch{metadata.build.pinyin_view, std::string(view)}));
  }
  std::optional<std::string> checksum = std::move(loaded.checksum_on_load);
  if (!checksum) {
    auto walked = zh::zh_canonical_checksum(*index, metadata.payload.checksum_algorithm);
    if (!walked.ok()) return Fail(loader_error(walked.take_error()));
    checksum = std::move(walked).value();
  }
  LUMRA_TRY(check_content_checksum(metadata.payload.checksum_algorithm, checksum,
                                   metadata.payload.checksum));

  const ja::ReadingOptions defaults = reading_options_of(metadata.query_defaults);
  if (auto valid = zh::validate_reading_options(defaults); !valid.ok()) {
    return Fail(loader_error(valid.take_error()));
  }
  return LoadedBundle<zh::ZhReadingIndex>{std::move(index), defaults, metadata.artifact_name,
                                          metadata.source.name, metadata.build.pinyin_view};
}

}  // namespace lumra::artifacts
