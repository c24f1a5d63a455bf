// Writing a UniDic reading index as an indexed payload (indexed_format.h),
// which load_indexed_payload() reads back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/base/result.h"
#include "ja/unidic/payload.h"
#include "ja/unidic/reading_index.h"
#include "ja/unidic/unidic_load_error.h"

namespace lumra::artifacts {

// The payload could not be written: the system refused, or the index gave
// its entries out of order. Message:
// "failed to write UniDic indexed artifact payload: {error}".
struct UnidicIndexedWriteFailed {
  std::string error;
};
using UnidicIndexedWriteError = std::variant<ja::UnidicLoadError, UnidicIndexedWriteFailed>;

std::string message(const UnidicIndexedWriteFailed& error);
std::string message(const UnidicIndexedWriteError& error);

// The entries of `index` in canonical order, one record each. Fails with
// ArtifactLimitExceeded "payload_bytes" when the file would be larger than
// the loader accepts.
Result<std::vector<std::uint8_t>, UnidicIndexedWriteError> encode_indexed_payload(
    const ja::UnidicReadingIndex& index);

// The same for a payload record, validated first exactly as a loaded
// payload is (build_reading_index), so that its entries may come in any
// order and every file written loads.
Result<std::vector<std::uint8_t>, UnidicIndexedWriteError> encode_indexed_payload(
    const ja::UnidicReadingIndexPayload& payload);

// encode_indexed_payload(), then the bytes are written to `path`.
Status<UnidicIndexedWriteError> write_indexed_payload(const ja::UnidicReadingIndex& index,
                                                      std::string_view path);
Status<UnidicIndexedWriteError> write_indexed_payload(
    const ja::UnidicReadingIndexPayload& payload, std::string_view path);

}  // namespace lumra::artifacts
