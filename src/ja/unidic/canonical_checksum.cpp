#include "ja/unidic/canonical_checksum.h"

#include <vector>

#include "payload/canonical_text.h"
#include "payload/fnv1a64.h"
#include "payload/sha256.h"

namespace lumra::ja {

namespace {

// Writes the canonical text of `index` into `sink`, piece by piece.
template <class Sink>
Status<UnidicLoadError> write_canonical_text(const UnidicReadingIndex& index, Sink& sink) {
  payload::CanonicalTextWriter<Sink> writer(sink);
  writer.line(kUnidicCanonicalHeader);
  LUMRA_TRY(index.for_each_canonical_entry(
      [&](std::string_view surface, const std::vector<std::string_view>& readings) {
        writer.entry(surface, readings);
      }));
  writer.flush();
  return Unit{};
}

}  // namespace

Result<std::optional<std::string>, UnidicLoadError> canonical_payload_checksum(
    const UnidicReadingIndex& index, std::string_view algorithm) {
  if (algorithm == kUnidicFnv1a64Checksum) {
    payload::Fnv1a64 hash;
    LUMRA_TRY(write_canonical_text(index, hash));
    return std::optional<std::string>(hash.hex_digest());
  }
  if (algorithm == kUnidicSha256Checksum) {
    payload::Sha256 hash;
    LUMRA_TRY(write_canonical_text(index, hash));
    return std::optional<std::string>(hash.hex_digest());
  }
  return std::optional<std::string>();
}

Result<std::string, UnidicLoadError> unidic_canonical_text(const UnidicReadingIndex& index) {
  payload::CanonicalTextBuffer buffer;
  LUMRA_TRY(write_canonical_text(index, buffer));
  return std::move(buffer.text);
}

}  // namespace lumra::ja
