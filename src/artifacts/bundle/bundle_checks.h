// The checks a bundle's metadata goes through before its payload is loaded,
// the same for both languages. Each is one step of the load, in the order
// the loaders call them; the metadata records differ between the languages
// only in members these checks do not read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "artifacts/bundle/bundle_error.h"
#include "artifacts/bundle/bundle_path.h"
#include "artifacts/bundle/metadata_file.h"
#include "core/base/result.h"
#include "ja/reading/reading_options.h"

namespace lumra::artifacts {

// Schema version 1 and the language's artifact type, in that order.
Status<BundleError> check_artifact_kind(BundleLanguage language, std::uint32_t schema_version,
                                        std::string_view artifact_type,
                                        std::string_view expected_type);

// Every licence reference, in order, names a regular file inside the bundle.
template <class References>
Status<BundleError> check_license_references(std::string_view bundle_dir,
                                             const References& references) {
  for (const auto& reference : references) {
    auto resolved = resolve_bundle_path(bundle_dir, reference.path);
    if (!resolved.ok()) return Fail(BundleError(resolved.take_error()));
    if (!is_regular_file(resolved.value())) {
      return Fail(
          BundleError(bundle_errors::MissingLicenseReference{reference.label, resolved.value()}));
    }
  }
  return Unit{};
}

// The payload file's digest, when the metadata gives one: algorithm and
// digest together, the one known algorithm, and the file's SHA-256 written
// exactly as the metadata writes it. A payload over the loaders' size limit
// fails as their limit does, instead of being read to its end.
Status<BundleError> check_file_digest(BundleLanguage language,
                                      const std::optional<std::string>& algorithm,
                                      const std::optional<std::string>& digest,
                                      std::string_view payload_path);

// The steps between the metadata and the payload, in order: the bundle
// directory (`bundle_dir`, or the directory of the metadata file read),
// every licence reference, the payload path inside the bundle, and the
// payload file's digest. Gives the payload's resolved path.
template <class Metadata>
Result<std::string, BundleError> locate_payload(BundleLanguage language, const Metadata& metadata,
                                                const MetadataFile& file,
                                                std::optional<std::string_view> bundle_dir) {
  const std::string directory =
      bundle_dir ? std::string(*bundle_dir) : containing_directory(file.path);
  LUMRA_TRY(check_license_references(directory, metadata.license.references));
  auto payload_path = resolve_bundle_path(directory, metadata.payload.path);
  if (!payload_path.ok()) return Fail(BundleError(payload_path.take_error()));
  LUMRA_TRY(check_file_digest(language, metadata.payload.file_digest_algorithm,
                              metadata.payload.file_digest, payload_path.value()));
  return std::move(payload_path).value();
}

// The payload's canonical checksum against the metadata's: none computed
// means the algorithm is not one of the language's, then the two texts must
// be equal exactly.
Status<BundleError> check_content_checksum(std::string_view algorithm,
                                           const std::optional<std::string>& computed,
                                           std::string_view expected);

// The query defaults as the options a dictionary starts from; their limits
// are the caller's to check, after the payload has been verified.
template <class QueryDefaults>
ja::ReadingOptions reading_options_of(const QueryDefaults& defaults) {
  ja::ReadingOptions options;
  options.max_readings_per_segment = defaults.max_readings_per_segment;
  options.max_span_chars = defaults.max_span_chars;
  options.max_paths = defaults.max_paths;
  options.longest_only = defaults.longest_match_only;
  return options;
}

}  // namespace lumra::artifacts
