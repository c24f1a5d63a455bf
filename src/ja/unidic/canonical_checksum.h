// The content checksum of a UniDic reading index: a digest of its canonical
// text (payload/canonical_text.h), so that the YAML, binary and indexed
// payloads of the same entries check the same.
//
// The text is the header line "lumra.unidic.reading-index.surface-readings/v1"
// and then every entry in ascending byte order of its surface: the surface
// ("S" field), the reading count ("R" line) and each reading in stored order
// ("r" field). For 日 read ひ and にち the entry is "S3\n日\nR2\nr3\nひ\nr6\nにち\n".
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/base/result.h"
#include <vector>

#include "ja/unidic/map_reading_index.h"
#include "ja/unidic/reading_index.h"
#include "ja/unidic/unidic_load_error.h"
#include "payload/canonical_digest.h"
#include "payload/canonical_text.h"
#include "payload/surface_order_walk.h"

namespace lumra::ja {

inline constexpr std::string_view kUnidicCanonicalHeader =
    "lumra.unidic.reading-index.surface-readings/v1";
inline constexpr std::string_view kUnidicFnv1a64Checksum = "fnv1a64-canonical-v1";
inline constexpr std::string_view kUnidicSha256Checksum = "sha256-canonical-v1";

// The hash that `algorithm` names for a UniDic index, matched exactly:
// "fnv1a64-canonical-v1" or "sha256-canonical-v1"; nothing for any other
// name.
std::optional<payload::CanonicalHash> unidic_checksum_hash(std::string_view algorithm);

// The text's opening, before its entries: a loader that walks the entries
// in canonical order itself writes this, then writer.entry() for each.
template <class Sink>
void write_unidic_canonical_header(payload::CanonicalTextWriter<Sink>& writer) {
  writer.line(kUnidicCanonicalHeader);
}

// The checksum of `index` under `algorithm`, matched exactly:
// "fnv1a64-canonical-v1" gives 16 lower-case hexadecimal digits and
// "sha256-canonical-v1" 64; any other name gives nothing, for the caller to
// report in its own terms. An indexed index whose readings record fails to
// decode fails with that error: it passed validation when loaded, so this
// only happens when its bytes are not what was validated.
Result<std::optional<std::string>, UnidicLoadError> canonical_payload_checksum(
    const UnidicReadingIndex& index, std::string_view algorithm);

// The checksum of a map-form index under `hash`, from the surface-order
// keys its loader noted (SurfaceTableBuilder::note_surface_order_keys): the
// same text as canonical_payload_checksum() walks.
std::string map_index_checksum(const MapReadingIndex& index,
                               std::vector<payload::SurfaceOrderKey> keys,
                               payload::CanonicalHash hash);

// The canonical text itself, whole in memory.
Result<std::string, UnidicLoadError> unidic_canonical_text(const UnidicReadingIndex& index);

}  // namespace lumra::ja
