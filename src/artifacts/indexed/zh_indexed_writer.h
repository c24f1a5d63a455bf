// Writing a Chinese reading index as an indexed payload (indexed_format.h),
// which load_zh_indexed_payload() reads back. The header word is the code of
// the index's pinyin view.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/base/result.h"
#include "zh/index/payload.h"
#include "zh/index/reading_index.h"
#include "zh/index/zh_load_error.h"

namespace lumra::artifacts {

// The payload could not be written: the system refused, or the index gave
// its entries out of order. Message:
// "failed to write zh indexed artifact payload: {error}".
struct ZhIndexedWriteFailed {
  std::string error;
};
using ZhIndexedWriteError = std::variant<zh::ZhLoadError, ZhIndexedWriteFailed>;

std::string message(const ZhIndexedWriteFailed& error);
std::string message(const ZhIndexedWriteError& error);

// The entries of `index` in canonical order, one record each. Fails with
// ArtifactLimitExceeded "payload_bytes" when the file would be larger than
// the loader accepts.
Result<std::vector<std::uint8_t>, ZhIndexedWriteError> encode_zh_indexed_payload(
    const zh::ZhReadingIndex& index);

// The same for a payload record, validated first exactly as a loaded
// payload is (build_zh_index), so that its entries may come in any order
// and every file written loads.
Result<std::vector<std::uint8_t>, ZhIndexedWriteError> encode_zh_indexed_payload(
    const zh::ZhReadingIndexPayload& payload);

// encode_zh_indexed_payload(), then the bytes are written to `path`.
Status<ZhIndexedWriteError> write_zh_indexed_payload(const zh::ZhReadingIndex& index,
                                                     std::string_view path);
Status<ZhIndexedWriteError> write_zh_indexed_payload(const zh::ZhReadingIndexPayload& payload,
                                                     std::string_view path);

}  // namespace lumra::artifacts
