// The digest of a payload file's bytes, as a bundle's metadata records it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/base/result.h"
#include "payload/payload_file.h"

namespace lumra::artifacts {

// SHA-256 of the file's bytes as 64 lower-case hexadecimal digits. The file
// is read in 64 KiB chunks and never held whole; a file of more than
// `max_bytes` (one that grows past it, or a device that never ends) fails
// with FileTooLarge instead of being read on, since no loader would accept
// it. Open and read failures carry the system's errno.
Result<std::string, payload::PayloadFileError> sha256_file_hex(std::string_view path,
                                                               std::uint64_t max_bytes);

}  // namespace lumra::artifacts
