// Loading a Japanese dictionary from a bundle: its metadata.yaml, licence
// files and payload, verified before anything is built.
#pragma once

#include <optional>
#include <string_view>

#include "artifacts/bundle/bundle_error.h"
#include "artifacts/bundle/loaded_bundle.h"
#include "core/base/result.h"
#include "ja/unidic/reading_index.h"

namespace lumra::artifacts {

// The steps, each run only when the ones before passed:
//  1. the metadata file: `metadata_path`, or metadata.yaml inside it when it
//     is a directory, read whole as UTF-8 (read_metadata_file);
//  2. its schema (parse_unidic_metadata), schema version 1 and the type
//     "lumra.unidic.reading-index";
//  3. the bundle directory: `bundle_dir`, or the metadata file's directory;
//  4. every licence reference inside the bundle and a regular file, then
//     the payload path inside the bundle;
//  5. the payload file's digest, when the metadata gives one;
//  6. the payload, loaded by its format name (load_japanese_payload);
//  7. its canonical checksum (the costliest check, after the file has
//     proved loadable), then its entry count;
//  8. the query defaults within the option limits.
// Failures of the payload loader, the checksum and the limits keep the
// Japanese loader's messages.
Result<LoadedBundle<ja::UnidicReadingIndex>, UnidicBundleError> load_unidic_bundle(
    std::string_view metadata_path, std::optional<std::string_view> bundle_dir);

}  // namespace lumra::artifacts
