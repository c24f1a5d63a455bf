// Paths inside a bundle: the metadata names its payload and licence files
// relative to the bundle directory, and nothing it names may lie outside.
#pragma once

#include <string>
#include <string_view>

#include "artifacts/bundle/bundle_error.h"
#include "core/base/result.h"

namespace lumra::artifacts {

// `relative` joined to `bundle_dir`, when it is "/"-separated, holds no
// backslash, has no root, does not begin with a drive prefix (an ASCII
// letter and ":") and has no ".." component; "." and empty components are
// harmless and kept. Otherwise PathOutsideBundle with the path as written.
// An empty `bundle_dir` is the current directory, and leaves the path as it
// is.
Result<std::string, bundle_errors::PathOutsideBundle> resolve_bundle_path(
    std::string_view bundle_dir, std::string_view relative);

// The directory that holds the file `path` names, as its text gives it: ""
// for a bare file name, "/" for a file at the root.
std::string containing_directory(std::string_view path);

// `directory` joined with `name` by one "/".
std::string join_path(std::string_view directory, std::string_view name);

}  // namespace lumra::artifacts
