// Writing a UniDic payload in the binary format (binary_payload_format.h).
#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "core/base/result.h"
#include "ja/unidic/payload.h"
#include "ja/unidic/unidic_load_error.h"

namespace lumra::ja {

// The bytes of `payload` in the binary format, entries in their order.
// Refuses, with the error the loader would give, what the format cannot
// carry or the loader would refuse while decoding: a schema version other
// than 1 or another payload type (the file has no room for either), more
// than 3000000 entries, a surface, reading count or reading over its limit,
// a text that is not UTF-8. Entries that decode but fail validation (empty
// surfaces, duplicates, ...) are written as they are, and fail when loaded.
Result<std::string, UnidicLoadError> encode_binary_payload(
    const UnidicReadingIndexPayload& payload);

// The system refused to write the file; `error` is its description.
// Message: "failed to write UniDic binary artifact payload: {error}".
struct BinaryPayloadWriteFailed {
  std::string error;
};
using BinaryPayloadWriteError = std::variant<UnidicLoadError, BinaryPayloadWriteFailed>;

std::string message(const BinaryPayloadWriteFailed& error);
std::string message(const BinaryPayloadWriteError& error);

// encode_binary_payload(), then the bytes replace the file at `path` in one
// step (payload/replace_file.h): readers never see a partial file, and a
// failure leaves the old one in place.
Status<BinaryPayloadWriteError> write_binary_payload(const UnidicReadingIndexPayload& payload,
                                                     std::string_view path);

}  // namespace lumra::ja
