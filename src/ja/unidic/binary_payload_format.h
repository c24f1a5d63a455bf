// The binary UniDic payload: the entries of a YAML payload, length-prefixed
// and back to back, so that loading is one sequential read with no parsing.
//
// All integers are unsigned little-endian. A text is a u32 byte length and
// that many bytes of UTF-8, with no terminator.
//
//   offset  size  field
//        0     8  magic        "LUMRAU01"
//        8     4  version      1
//       12     4  reserved     0
//       16     8  entry_count  0 to 3000000
//       24     …  entry_count entries:
//                   surface        text, at most 16384 bytes
//                   reading_count  u32, at most 256
//                   reading_count readings, each a text of at most 16384 bytes
//
// Bytes after the last entry are not read. The file has no schema version
// or payload type: it decodes to schema version 1 and kUnidicPayloadType.
// Entries decode in file order and are then validated like any payload's
// (map_reading_index.h): empty surfaces, missing, empty and duplicate
// readings and duplicate surfaces are not the decoder's concern.
//
// The names below are the ones errors use for the field being read
// (TruncatedBinary, InvalidBinaryUtf8, ArtifactLimitExceeded). A text's
// length and its bytes share the text's name.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace lumra::ja::binary_payload {

inline constexpr std::array<std::uint8_t, 8> kMagic = {'L', 'U', 'M', 'R', 'A', 'U', '0', '1'};
inline constexpr std::uint32_t kVersion = 1;
inline constexpr std::uint64_t kHeaderBytes = 24;
// The smallest entry that decodes: an empty surface and no readings. No file
// holds more entries than its size allows at this rate, whatever its header
// claims.
inline constexpr std::uint64_t kMinEntryBytes = 8;

inline constexpr std::string_view kMagicField = "magic";
inline constexpr std::string_view kVersionField = "version";
inline constexpr std::string_view kReservedField = "reserved";
inline constexpr std::string_view kEntryCountField = "entry_count";
inline constexpr std::string_view kSurfaceField = "surface";
inline constexpr std::string_view kReadingCountField = "reading_count";
inline constexpr std::string_view kReadingField = "reading";

}  // namespace lumra::ja::binary_payload
