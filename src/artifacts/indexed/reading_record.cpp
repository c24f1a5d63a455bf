#include "artifacts/indexed/reading_record.h"

#include <bit>
#include <cstring>
#include <optional>

#include "ja/unidic/unidic_load_error.h"

namespace lumra::artifacts {

namespace {

using namespace indexed_problems;

std::uint32_t read_u32(const std::uint8_t* at) {
  std::uint32_t value;
  std::memcpy(&value, at, 4);
  if constexpr (std::endian::native == std::endian::big) value = __builtin_bswap32(value);
  return value;
}

std::string_view as_text(const std::uint8_t* at, std::size_t size) {
  return {reinterpret_cast<const char*>(at), size};
}

}  // namespace

Status<IndexedProblem> decode_reading_record(const ReadingsSection& section, std::uint64_t offset,
                                             std::vector<std::string_view>& readings) {
  readings.clear();
  const std::uint8_t* bytes = section.payload.data();
  const std::uint64_t end = section.payload.size();
  // start <= end, so the sum overflows exactly when the offset is past the
  // end anyway.
  if (offset >= end - section.start) return Fail(BadOffset{offset});
  std::uint64_t at = section.start + offset;
  if (end - at < 4) return Fail(Truncated{"reading_count"});
  const std::uint64_t count = read_u32(bytes + at);
  if (count > section.max_reading_count) {
    return Fail(LimitExceeded{"reading_count", count, section.max_reading_count});
  }
  at += 4;
  for (std::uint64_t r = 0; r < count; ++r) {
    if (end - at < 4) return Fail(Truncated{"reading_len"});
    const std::uint64_t size = read_u32(bytes + at);
    at += 4;
    if (size > section.max_reading_bytes) {
      return Fail(LimitExceeded{"reading_bytes", size, section.max_reading_bytes});
    }
    if (end - at < size) return Fail(Truncated{"reading"});
    const std::string_view reading = as_text(bytes + at, size);
    if (std::optional<ja::Utf8Error> error = ja::find_utf8_error(reading)) {
      return Fail(BadUtf8{"reading", *error});
    }
    readings.push_back(reading);
    at += size;
  }
  return Unit{};
}

void read_checked_reading_record(const ReadingsSection& section, std::uint64_t offset,
                                 std::vector<std::string_view>& readings) {
  readings.clear();
  const std::uint8_t* at = section.payload.data() + section.start + offset;
  const std::uint64_t count = read_u32(at);
  at += 4;
  for (std::uint64_t r = 0; r < count; ++r) {
    const std::uint64_t size = read_u32(at);
    readings.push_back(as_text(at + 4, size));
    at += 4 + size;
  }
}

}  // namespace lumra::artifacts
