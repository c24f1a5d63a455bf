// Writing a payload file from bytes already in memory.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "core/base/result.h"
#include "payload/payload_file.h"

namespace lumra::artifacts {

// Creates or truncates the file at `path` (mode 0644 when created) and
// writes `bytes` to it. On failure the error is the system's errno (EINVAL
// for a path holding a NUL byte), and the file may hold part of the bytes.
Status<payload::FileOsError> write_payload_file(std::string_view path,
                                                std::span<const std::uint8_t> bytes);

}  // namespace lumra::artifacts
