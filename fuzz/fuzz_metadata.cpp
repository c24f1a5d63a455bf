// Any bytes as the metadata.yaml of a Japanese and of a Chinese bundle: each
// parse either gives a record or fails with a message, and a record goes
// through the checks that need no file system (kind, the paths it names,
// the query defaults' limits) without leaving the bundle directory.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "artifacts/bundle/bundle_checks.h"
#include "artifacts/bundle/bundle_path.h"
#include "artifacts/metadata/unidic_metadata.h"
#include "artifacts/metadata/zh_metadata.h"
#include "ja/reading/validate_reading_options.h"
#include "zh/reading/validate_reading_options.h"

namespace {

using lumra::artifacts::BundleError;
using lumra::artifacts::BundleLanguage;

constexpr std::string_view kBundleDir = "bundle";

// A path the metadata names must resolve below the bundle directory: under
// its prefix, with no component that climbs out. Independent of how the
// resolver decides, so a resolver that lets one through is caught here.
void check_inside_bundle(std::string_view relative) {
  auto resolved = lumra::artifacts::resolve_bundle_path(kBundleDir, relative);
  if (!resolved.ok()) {
    (void)lumra::artifacts::message(BundleError(resolved.take_error()));
    return;
  }
  std::string_view path = resolved.value();
  if (!path.starts_with("bundle/")) std::abort();
  if (path.find('\\') != std::string_view::npos) std::abort();
  for (std::size_t start = 0; start <= path.size();) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    if (path.substr(start, end - start) == "..") std::abort();
    start = end + 1;
  }
}

template <class Metadata, class Validate>
void check_record(const Metadata& metadata, BundleLanguage language,
                  std::string_view expected_type, Validate validate) {
  auto kind = lumra::artifacts::check_artifact_kind(language, metadata.schema_version,
                                                    metadata.artifact_type, expected_type);
  if (!kind.ok()) (void)lumra::artifacts::message(kind.error());
  check_inside_bundle(metadata.payload.path);
  for (const auto& reference : metadata.license.references) check_inside_bundle(reference.path);
  validate(lumra::artifacts::reading_options_of(metadata.query_defaults));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  auto unidic = lumra::artifacts::parse_unidic_metadata(text);
  if (unidic.ok()) {
    check_record(unidic.value(), BundleLanguage::kJapanese, "lumra.unidic.reading-index",
                 [](const auto& options) {
                   auto valid = lumra::ja::validate_reading_options(options);
                   if (!valid.ok()) (void)lumra::ja::message(valid.error());
                 });
  } else if (unidic.error().message.empty()) {
    std::abort();  // a failure must say what failed
  }

  auto zh = lumra::artifacts::parse_zh_metadata(text);
  if (zh.ok()) {
    check_record(zh.value(), BundleLanguage::kChinese, "lumra.zh.reading-index",
                 [](const auto& options) {
                   auto valid = lumra::zh::validate_reading_options(options);
                   if (!valid.ok()) (void)lumra::zh::message(valid.error());
                 });
  } else if (zh.error().message.empty()) {
    std::abort();
  }
  return 0;
}
