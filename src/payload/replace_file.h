// Writing a payload file so that readers see the old file or the new one,
// never a part of the new one.
#pragma once

#include <string_view>

#include "core/base/result.h"
#include "payload/payload_file.h"

namespace lumra::payload {

// Writes `bytes` to a fresh temporary file beside `path`, flushes it to
// disk, and renames it over `path`. On failure the temporary file is removed
// and `path` is left as it was; the error is the system's errno (EINVAL for
// a path holding a NUL byte). The new file gets mode 0644.
Status<FileOsError> replace_file(std::string_view path, std::string_view bytes);

}  // namespace lumra::payload
