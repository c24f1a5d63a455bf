// The indexed payload: a reading index stored so that it can be queried in
// place, without building a table of its entries. Japanese and Chinese
// payloads share the layout; they differ in their magic, the meaning of the
// header word and the entry limit.
//
// All integers are little-endian and unsigned.
//
//   offset  size         field
//   0       8            magic: "LUMRAI01" (Japanese), "LUMRAZ01" (Chinese)
//   8       4            version: 1
//   12      4            header word: Japanese reserved, 0; Chinese the pinyin
//                        view code, 0 no-tone or 1 tone3
//   16      8            entry count: the number of keys in the FST
//   24      8            FST length
//   32      8            readings length
//   40      FST length   FST section: an FST map (../fst/FORMAT.md) from each
//                        surface's UTF-8 bytes to the offset of its readings
//                        record, counted from the start of the readings section
//   ...     readings len readings section: readings records
//
// A readings record:
//
//   4                 reading count (at most 256; at least 1 to be valid)
//   then per reading: 4-byte length (at most 16384), then that many bytes of
//                     UTF-8, not empty, not equal to an earlier reading
//
// Records are reached only through FST values: several surfaces may share
// one, and their order and any gaps between them do not matter. A file may
// run on past the readings section; the excess belongs to no section, but
// records are bounded by the end of the file, not of their section.
#pragma once

#include <cstdint>
#include <string_view>

#include "payload/surface_table_builder.h"

namespace lumra::artifacts {

inline constexpr std::uint64_t kIndexedHeaderBytes = 40;
inline constexpr std::uint32_t kIndexedVersion = 1;

// What tells one language's indexed payload from the other's.
struct IndexedFormat {
  std::string_view magic;           // 8 bytes
  std::uint32_t max_header_word;    // header words above it are refused
  std::uint64_t max_payload_bytes;  // the whole file
  payload::EntryLimits limits;      // entries, surface bytes, readings, reading bytes
};

}  // namespace lumra::artifacts
