#include "artifacts/indexed/indexed_payload_encoder.h"

namespace lumra::artifacts {

namespace {

using indexed_problems::LimitExceeded;

void append_le(std::string& out, std::uint64_t value, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

}  // namespace

IndexedPayloadEncoder::IndexedPayloadEncoder(const IndexedFormat& format,
                                             std::uint32_t header_word)
    : format_(format), header_word_(header_word) {}

Status<EncodeProblem> IndexedPayloadEncoder::add(std::string_view surface,
                                                 std::span<const std::string_view> readings) {
  const payload::EntryLimits& limits = format_.limits;
  if (map_.size() == limits.entry_count) {
    return Fail(LimitExceeded{"entry_count", map_.size() + 1, limits.entry_count});
  }
  if (surface.size() > limits.surface_bytes) {
    return Fail(LimitExceeded{"surface_bytes", surface.size(), limits.surface_bytes});
  }
  if (readings.size() > limits.reading_count) {
    return Fail(LimitExceeded{"reading_count", readings.size(), limits.reading_count});
  }
  for (std::string_view reading : readings) {
    if (reading.size() > limits.reading_bytes) {
      return Fail(LimitExceeded{"reading_bytes", reading.size(), limits.reading_bytes});
    }
  }
  Status<fst::FstBuildError> added = map_.add(surface, records_.size());
  if (!added.ok()) return Fail(added.take_error());
  append_le(records_, readings.size(), 4);
  for (std::string_view reading : readings) {
    append_le(records_, reading.size(), 4);
    records_ += reading;
  }
  return Unit{};
}

Result<std::vector<std::uint8_t>, EncodeProblem> IndexedPayloadEncoder::finish() && {
  const std::uint64_t entry_count = map_.size();
  const std::vector<std::uint8_t> map = std::move(map_).finish();
  const std::uint64_t size = kIndexedHeaderBytes + map.size() + records_.size();
  if (size > format_.max_payload_bytes) {
    return Fail(LimitExceeded{"payload_bytes", size, format_.max_payload_bytes});
  }
  std::string header(format_.magic);
  append_le(header, kIndexedVersion, 4);
  append_le(header, header_word_, 4);
  append_le(header, entry_count, 8);
  append_le(header, map.size(), 8);
  append_le(header, records_.size(), 8);
  std::vector<std::uint8_t> bytes;
  bytes.reserve(size);
  bytes.insert(bytes.end(), header.begin(), header.end());
  bytes.insert(bytes.end(), map.begin(), map.end());
  bytes.insert(bytes.end(), records_.begin(), records_.end());
  return bytes;
}

}  // namespace lumra::artifacts
