#include "ja/unidic/canonical_checksum.h"

#include <utility>
#include <vector>

namespace lumra::ja {

namespace {

// Writes the canonical text of `index` into `writer`, piece by piece.
template <class Sink>
Status<UnidicLoadError> write_canonical_text(const UnidicReadingIndex& index,
                                             payload::CanonicalTextWriter<Sink>& writer) {
  write_unidic_canonical_header(writer);
  LUMRA_TRY(index.for_each_canonical_entry(
      [&](std::string_view surface, const std::vector<std::string_view>& readings) {
        writer.entry(surface, readings);
      }));
  writer.flush();
  return Unit{};
}

}  // namespace

std::optional<payload::CanonicalHash> unidic_checksum_hash(std::string_view algorithm) {
  if (algorithm == kUnidicFnv1a64Checksum) return payload::CanonicalHash::kFnv1a64;
  if (algorithm == kUnidicSha256Checksum) return payload::CanonicalHash::kSha256;
  return std::nullopt;
}

Result<std::optional<std::string>, UnidicLoadError> canonical_payload_checksum(
    const UnidicReadingIndex& index, std::string_view algorithm) {
  const std::optional<payload::CanonicalHash> hash = unidic_checksum_hash(algorithm);
  if (!hash) return std::optional<std::string>();
  payload::CanonicalDigest digest(*hash);
  LUMRA_TRY(write_canonical_text(index, digest.text()));
  return std::optional<std::string>(digest.hex_digest());
}

std::string map_index_checksum(const MapReadingIndex& index,
                               std::vector<payload::SurfaceOrderKey> keys,
                               payload::CanonicalHash hash) {
  payload::CanonicalDigest digest(hash);
  payload::CanonicalTextWriter<payload::CanonicalDigest::HashSink>& writer = digest.text();
  write_unidic_canonical_header(writer);
  index.table().for_each_record_in_surface_order(
      std::move(keys),
      [&](std::string_view arena, std::uint64_t offset) { writer.record(arena, offset); });
  return digest.hex_digest();
}

Result<std::string, UnidicLoadError> unidic_canonical_text(const UnidicReadingIndex& index) {
  payload::CanonicalTextBuffer buffer;
  payload::CanonicalTextWriter writer(buffer);
  LUMRA_TRY(write_canonical_text(index, writer));
  return std::move(buffer.text);
}

}  // namespace lumra::ja
