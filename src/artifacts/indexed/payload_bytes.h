// Reading a payload file whole into memory, for the formats that are queried
// in place rather than decoded into a table.
#pragma once

#include <cstdint>
#include <string_view>
#include <variant>
#include <vector>

#include "core/base/result.h"
#include "payload/payload_file.h"

namespace lumra::artifacts {

// The path names something other than a regular file (a directory, a
// device, a pipe). Loaders report it as an I/O failure whose description is
// kNotRegularFileText.
struct NotRegularFile {};
inline constexpr std::string_view kNotRegularFileText =
    "artifact payload path is not a regular file";

// payload::FileTooLarge carries the size the file reported, or the bytes read
// so far when it grew past the limit while it was read.
using PayloadBytesError =
    std::variant<payload::FileOsError, NotRegularFile, payload::FileTooLarge>;

inline constexpr std::size_t kPayloadReadChunk = 8192;

// In this order: the path's metadata, following symbolic links
// (FileOsError); not a regular file (NotRegularFile); a size over
// `max_bytes` (FileTooLarge); opening the file (FileOsError). Then the file
// is read to its end in chunks of kPayloadReadChunk bytes, asking for no more
// than `max_bytes` + 1 bytes in all, so a file that grows while it is read
// fails with FileTooLarge instead of being read without end. A path holding a
// NUL byte fails with EINVAL, as no file has that name.
Result<std::vector<std::uint8_t>, PayloadBytesError> read_payload_bytes(std::string_view path,
                                                                        std::uint64_t max_bytes);

}  // namespace lumra::artifacts
