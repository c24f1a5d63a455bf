// The record of one entry in a surface table's arena (surface_table.h): the
// surface's byte length and bytes, the reading count, then each reading's
// byte length and bytes, lengths and count as LEB128 varints (one or two
// bytes under the payload limits). Records sit back to back with nothing
// between them; the table and its surface-order walk both read them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumra::payload::surface_record {

inline void append_varint(std::string& out, std::uint64_t value) {
  while (value >= 0x80) {
    out += static_cast<char>(0x80 | (value & 0x7F));
    value >>= 7;
  }
  out += static_cast<char>(value);
}

// The varint at `at`, which moves past it.
inline std::uint64_t read_varint(const char* data, std::uint64_t& at) {
  std::uint64_t value = 0;
  for (int shift = 0;; shift += 7) {
    auto byte = static_cast<unsigned char>(data[at++]);
    value |= std::uint64_t{byte & 0x7Fu} << shift;
    if (byte < 0x80) return value;
  }
}

// The surface of the record at `offset`.
inline std::string_view surface_at(const char* data, std::uint64_t offset) {
  std::uint64_t length = read_varint(data, offset);
  return {data + offset, length};
}

// The readings of the record at `offset`, in stored order, into `readings`;
// gives the offset just past the record.
inline std::uint64_t readings_at(const char* data, std::uint64_t offset,
                                 std::vector<std::string_view>& readings) {
  offset += read_varint(data, offset);  // past the surface
  std::uint64_t count = read_varint(data, offset);
  readings.clear();
  for (std::uint64_t i = 0; i < count; ++i) {
    std::uint64_t length = read_varint(data, offset);
    readings.emplace_back(data + offset, length);
    offset += length;
  }
  return offset;
}

// The offset just past the record at `offset`.
inline std::uint64_t skip_record(const char* data, std::uint64_t offset) {
  offset += read_varint(data, offset);
  for (std::uint64_t count = read_varint(data, offset); count > 0; --count) {
    offset += read_varint(data, offset);
  }
  return offset;
}

}  // namespace lumra::payload::surface_record
