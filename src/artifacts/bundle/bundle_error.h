// Why a bundle could not be loaded.
//
// A bundle's own checks fail with a BundleError, one variant per check in
// the order the loader runs them; message() writes the one template of each,
// which the caller reports unchanged. Texts of the language (the version,
// type and digest-pairing checks, and the size limits) have one template per
// language, picked by the variant's `language`. Failures of the payload
// loader, the checksum and the query-default limits stay in the language's
// own error type (UnidicBundleError, ZhBundleError), so their messages read
// exactly as they do outside bundles.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "ja/unidic/load_payload.h"
#include "zh/index/load_payload.h"

namespace lumra::artifacts {

enum class BundleLanguage { kJapanese, kChinese };

namespace bundle_errors {

// The operating system refused to read the metadata or the payload; the
// message is its own text.
struct Io {
  std::string error;
};
struct MetadataNotUtf8 {};
// The metadata file (field "metadata_bytes") or the digested payload
// ("payload_bytes") is larger than anything the loader would read.
struct FileTooLarge {
  BundleLanguage language;
  std::string field;
  std::uint64_t size;
  std::uint64_t max;
};
// The metadata is not YAML of the language's schema; the message is the
// YAML layer's, position included.
struct Metadata {
  std::string error;
};
struct UnsupportedSchemaVersion {
  BundleLanguage language;
  std::uint32_t version;
};
struct UnsupportedArtifactType {
  BundleLanguage language;
  std::string artifact_type;
};
// A relative path of the metadata, as written there, that could reach
// outside the bundle directory.
struct PathOutsideBundle {
  std::string path;
};
struct MissingLicenseReference {
  std::string label;
  std::string resolved_path;
};
struct UnpairedFileDigest {
  BundleLanguage language;
};
struct UnsupportedFileDigestAlgorithm {
  BundleLanguage language;
  std::string algorithm;
};
struct FileDigestMismatch {
  std::string metadata;
  std::string recomputed;
};
struct EntryCountMismatch {
  std::uint64_t metadata;
  std::uint64_t payload;
};
struct PinyinViewMismatch {
  std::string metadata;
  std::string payload;
};
struct UnsupportedChecksumAlgorithm {
  std::string algorithm;
};
struct ChecksumMismatch {
  std::string metadata;
  std::string recomputed;
};

}  // namespace bundle_errors

using BundleError =
    std::variant<bundle_errors::Io, bundle_errors::MetadataNotUtf8, bundle_errors::FileTooLarge,
                 bundle_errors::Metadata, bundle_errors::UnsupportedSchemaVersion,
                 bundle_errors::UnsupportedArtifactType, bundle_errors::PathOutsideBundle,
                 bundle_errors::MissingLicenseReference, bundle_errors::UnpairedFileDigest,
                 bundle_errors::UnsupportedFileDigestAlgorithm, bundle_errors::FileDigestMismatch,
                 bundle_errors::EntryCountMismatch, bundle_errors::PinyinViewMismatch,
                 bundle_errors::UnsupportedChecksumAlgorithm, bundle_errors::ChecksumMismatch>;

std::string message(const BundleError& error);

using UnidicBundleError = std::variant<BundleError, ja::UnidicPayloadLoadError>;
using ZhBundleError = std::variant<BundleError, zh::ZhPayloadLoadError>;

std::string message(const UnidicBundleError& error);
std::string message(const ZhBundleError& error);

}  // namespace lumra::artifacts
