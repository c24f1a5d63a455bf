// Finding and reading a bundle's metadata.yaml.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "artifacts/bundle/bundle_error.h"
#include "core/base/result.h"

namespace lumra::artifacts {

// The metadata of a bundle is a page of YAML; anything near this size is not
// one, and reading it whole would only spend memory.
inline constexpr std::uint64_t kMaxMetadataBytes = 16 * 1024 * 1024;

struct MetadataFile {
  std::string path;  // the file read: metadata_path, or metadata.yaml inside it
  std::string text;  // its whole content, valid UTF-8
};

// `metadata_path` itself, or metadata.yaml inside it when it names a
// directory (after following symbolic links), read whole. Fails with the
// operating system's text, FileTooLarge "metadata_bytes" above
// kMaxMetadataBytes, or MetadataNotUtf8.
Result<MetadataFile, BundleError> read_metadata_file(std::string_view metadata_path,
                                                     BundleLanguage language);

// Whether `path` names an existing directory, or an existing regular file,
// following symbolic links. A path holding a NUL byte names neither.
bool is_directory(std::string_view path);
bool is_regular_file(std::string_view path);

}  // namespace lumra::artifacts
