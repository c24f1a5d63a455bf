// Inflating a whole gzip (or dictzip) file with zlib.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "artifacts/build/line_reader.h"
#include "core/base/result.h"

namespace lumra::artifacts::build {

// The uncompressed bytes of every gzip member of the file at `path`, at
// most `max_bytes` of them: a damaged or hostile file fails instead of
// filling memory.
Result<std::string, SourceFileError> read_gzip_file(std::string_view path,
                                                    std::uint64_t max_bytes);

}  // namespace lumra::artifacts::build
