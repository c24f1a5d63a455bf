// The quick verdict a load asks of every readings record: whether the
// record passes every check a load makes of a record and its readings, in
// one pass over its bytes and without saying which check fails.
//
// screen_record() says true only of a record that passes them all:
// decode_reading_record() (reading_record.h) passes, the record has at
// least one reading, each reading is plain (the caller's predicate: not
// empty, valid UTF-8 and, where the language has a normal form, in it), and
// no reading equals an earlier one. It may say false of a record that
// passes (a reading the predicate is unsure of, more readings than it
// compares pairwise); the exact checks then decide, and say which check
// fails when one does. Its readings are then those decode_reading_record()
// gives.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "artifacts/indexed/reading_record.h"

namespace lumra::artifacts {

// A load's screen of the record at `offset` of a payload's readings section,
// filling `readings` as decode_reading_record() would when it says true.
using RecordScreen = bool (*)(const ReadingsSection& section, std::uint64_t offset,
                              std::vector<std::string_view>& readings);

// The screen of a language whose readings have no normal form: every
// non-empty reading of valid UTF-8 is plain.
bool screen_utf8_record(const ReadingsSection& section, std::uint64_t offset,
                        std::vector<std::string_view>& readings);

namespace record_screen_internal {

// Nearly every record has one to three readings; past this many the screen
// leaves the repeats to the exact checks' hash table.
inline constexpr std::uint64_t kPairwiseReadings = 8;

inline std::uint32_t read_u32(const std::uint8_t* at) {
  std::uint32_t value;
  std::memcpy(&value, at, 4);
  if constexpr (std::endian::native == std::endian::big) value = __builtin_bswap32(value);
  return value;
}

}  // namespace record_screen_internal

// `plain(bytes, size, readable_end)` judges one reading of `size` bytes;
// it may read (not judge) bytes past the reading up to `readable_end`, the
// end of the payload, which lets it load whole words.
template <class Plain>
bool screen_record(const ReadingsSection& section, std::uint64_t offset,
                   std::vector<std::string_view>& readings, const Plain& plain) {
  using namespace record_screen_internal;
  readings.clear();
  const std::uint8_t* bytes = section.payload.data();
  const std::uint64_t end = section.payload.size();
  // start <= end, so the sum cannot overflow past this test.
  if (offset >= end - section.start) return false;
  std::uint64_t at = section.start + offset;
  if (end - at < 4) return false;
  const std::uint64_t count = read_u32(bytes + at);
  if (count == 0 || count > kPairwiseReadings || count > section.max_reading_count) return false;
  at += 4;
  for (std::uint64_t r = 0; r < count; ++r) {
    if (end - at < 4) return false;
    const std::uint64_t size = read_u32(bytes + at);
    at += 4;
    if (size > section.max_reading_bytes || end - at < size) return false;
    if (!plain(bytes + at, size, bytes + end)) return false;
    const std::string_view reading(reinterpret_cast<const char*>(bytes + at), size);
    for (std::string_view earlier : readings) {
      if (earlier == reading) return false;
    }
    readings.push_back(reading);
    at += size;
  }
  return true;
}

}  // namespace lumra::artifacts
