// Writing a dictionary bundle: the payload in the chosen format, the licence
// files, and a metadata.yaml whose integrity data is computed from the
// payload as written and loaded back, so that load_bundle verifies it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "artifacts/build/build_error.h"
#include "core/base/result.h"
#include "ja/unidic/payload.h"
#include "zh/index/payload.h"

namespace lumra::artifacts::build {

// A licence text to copy into the bundle and list under its label.
struct LicenceFile {
  std::string label;
  std::string path;  // where it is now
};

// What every bundle's metadata says besides its payload.
struct BundleDescription {
  std::string artifact_name;
  std::string generator;
  std::string source_name;
  std::string source_version;
  std::string source_file;  // lex_csv or cedict: the file the payload came from
  std::string selected_license;
  std::vector<LicenceFile> licences;
  std::string checksum_algorithm = "sha256-canonical-v1";
};

// The build record of a Japanese bundle.
struct UnidicBuildSettings {
  std::string reading_field;
  bool exclude_ascii_surfaces = false;
  bool exclude_symbol_pos = false;
  bool include_normalized_surfaces = false;
  bool exclude_unsupported_readings = false;
  std::optional<std::uint64_t> max_readings_per_surface = std::nullopt;
};

// "yaml", "binary" (Japanese only) or "indexed": the name written into the
// metadata, which the loaders accept.
struct WrittenBundle {
  std::uint64_t entries = 0;
  std::uint64_t payload_bytes = 0;
  std::string file_digest;
  std::string checksum;
};

// Writes the bundle to `out_dir`, which must not exist unless `replace`.
// Refuses a format name other than "yaml", "binary" and "indexed".
Result<WrittenBundle, BuildFailure> write_unidic_bundle(
    std::string_view out_dir, bool replace, const ja::UnidicReadingIndexPayload& payload,
    std::string_view format, const UnidicBuildSettings& build,
    const BundleDescription& description);

// The same for Chinese: "yaml" or "indexed"; `payload.pinyin_view` must be
// a canonical view name.
Result<WrittenBundle, BuildFailure> write_zh_bundle(
    std::string_view out_dir, bool replace, const zh::ZhReadingIndexPayload& payload,
    std::string_view format, std::optional<std::uint64_t> max_readings_per_surface,
    const BundleDescription& description);

// SHA-256 of the file's bytes, read in 64 KiB pieces.
Result<std::string, std::string> sha256_file_digest(std::string_view path);

}  // namespace lumra::artifacts::build
