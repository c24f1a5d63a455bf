#include "artifacts/bundle/bundle_checks.h"

#include <variant>

#include "artifacts/bundle/file_digest.h"
#include "ja/unidic/payload.h"
#include "zh/index/payload.h"

namespace lumra::artifacts {

Status<BundleError> check_artifact_kind(BundleLanguage language, std::uint32_t schema_version,
                                        std::string_view artifact_type,
                                        std::string_view expected_type) {
  if (schema_version != 1) {
    return Fail(BundleError(bundle_errors::UnsupportedSchemaVersion{language, schema_version}));
  }
  if (artifact_type != expected_type) {
    return Fail(BundleError(
        bundle_errors::UnsupportedArtifactType{language, std::string(artifact_type)}));
  }
  return Unit{};
}

Status<BundleError> check_file_digest(BundleLanguage language,
                                      const std::optional<std::string>& algorithm,
                                      const std::optional<std::string>& digest,
                                      std::string_view payload_path) {
  if (!algorithm && !digest) return Unit{};
  if (!algorithm || !digest) return Fail(BundleError(bundle_errors::UnpairedFileDigest{language}));
  if (*algorithm != "sha256-file-v1") {
    return Fail(BundleError(bundle_errors::UnsupportedFileDigestAlgorithm{language, *algorithm}));
  }
  const std::uint64_t max_payload_bytes = language == BundleLanguage::kJapanese
                                             ? ja::UnidicArtifactLimits::kPayloadBytes
                                             : zh::ZhArtifactLimits::kPayloadBytes;
  auto recomputed = sha256_file_hex(payload_path, max_payload_bytes);
  if (!recomputed.ok()) {
    if (const auto* os = std::get_if<payload::FileOsError>(&recomputed.error())) {
      return Fail(BundleError(bundle_errors::Io{payload::os_error_text(os->code)}));
    }
    return Fail(BundleError(bundle_errors::FileTooLarge{
        language, "payload_bytes", std::get<payload::FileTooLarge>(recomputed.error()).size,
        max_payload_bytes}));
  }
  if (recomputed.value() != *digest) {
    return Fail(BundleError(bundle_errors::FileDigestMismatch{*digest, recomputed.value()}));
  }
  return Unit{};
}

Status<BundleError> check_content_checksum(std::string_view algorithm,
                                           const std::optional<std::string>& computed,
                                           std::string_view expected) {
  if (!computed) {
    return Fail(BundleError(bundle_errors::UnsupportedChecksumAlgorithm{std::string(algorithm)}));
  }
  if (*computed != expected) {
    return Fail(BundleError(bundle_errors::ChecksumMismatch{std::string(expected), *computed}));
  }
  return Unit{};
}

}  // namespace lumra::artifacts
