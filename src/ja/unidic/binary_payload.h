// Loading the binary UniDic payload (binary_payload_format.h) into the map
// form of the reading index.
//
// The file is read front to back through a fixed buffer and each field is
// checked as soon as it is read, so the first missing or bad field decides
// the error; a length is checked against its limit before any byte of it is
// read or stored. Decoded entries go straight into the index builder, whose
// validation failures are held back until the whole file has decoded: a
// decode failure anywhere is reported before a validation failure in an
// earlier entry, as if the payload had been decoded whole and then checked.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/base/result.h"
#include "ja/unidic/reading_index.h"
#include "ja/unidic/unidic_load_error.h"
#include "payload/canonical_digest.h"

namespace lumra::ja {

// The checks, in order, stopping at the first failure:
//   1. the file's metadata (Io), its size against 536870912 bytes
//      (ArtifactLimitExceeded "payload_bytes"), then opening it (Io; a
//      directory fails here);
//   2. magic (InvalidBinaryMagic), version (UnsupportedBinaryVersion),
//      reserved (NonZeroBinaryReserved), entry_count (ArtifactLimitExceeded);
//   3. per entry: the surface's length limit and UTF-8, the reading count
//      limit, each reading's length limit and UTF-8 (ArtifactLimitExceeded,
//      InvalidBinaryUtf8 with the field names "surface", "reading_count",
//      "reading");
//   4. the validation of build_reading_index (map_reading_index.h).
// A field the file ends inside is TruncatedBinary with its name; a read the
// system fails is Io.
Result<std::unique_ptr<UnidicReadingIndex>, UnidicLoadError> load_binary_payload(
    std::string_view path);

// A loaded index with its canonical checksum (canonical_checksum.h).
struct ChecksummedBinaryPayload {
  std::unique_ptr<UnidicReadingIndex> index;
  std::string checksum;
};

// load_binary_payload(), then the canonical checksum of the index under
// `hash`, with the same failures. The entries are in no particular order in
// the file, so the checksum still sorts them; the load notes the keys of
// that sort as it decodes each surface, which spares a pass over the whole
// index to find them.
Result<ChecksummedBinaryPayload, UnidicLoadError> load_binary_payload_with_checksum(
    std::string_view path, payload::CanonicalHash hash);

// Steps 2 to 4 for a payload already in memory.
Result<std::unique_ptr<UnidicReadingIndex>, UnidicLoadError> decode_binary_payload(
    std::string_view bytes);

}  // namespace lumra::ja
