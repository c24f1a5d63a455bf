#include "zh/index/canonical_checksum.h"

#include <vector>

namespace lumra::zh {

namespace {

// Writes the canonical text of `index` into `writer`, piece by piece.
template <class Sink>
Status<ZhLoadError> write_canonical_text(const ZhReadingIndex& index,
                                         payload::CanonicalTextWriter<Sink>& writer) {
  write_zh_canonical_header(writer, index.view());
  LUMRA_TRY(index.for_each_canonical_entry(
      [&](std::string_view surface, const std::vector<std::string_view>& readings) {
        writer.entry(surface, readings);
      }));
  writer.flush();
  return Unit{};
}

}  // namespace

std::optional<payload::CanonicalHash> zh_checksum_hash(std::string_view algorithm) {
  if (algorithm == kZhSha256Checksum) return payload::CanonicalHash::kSha256;
  return std::nullopt;
}

Result<std::optional<std::string>, ZhLoadError> zh_canonical_checksum(const ZhReadingIndex& index,
                                                                      std::string_view algorithm) {
  const std::optional<payload::CanonicalHash> hash = zh_checksum_hash(algorithm);
  if (!hash) return std::optional<std::string>();
  payload::CanonicalDigest digest(*hash);
  LUMRA_TRY(write_canonical_text(index, digest.text()));
  return std::optional<std::string>(digest.hex_digest());
}

Result<std::string, ZhLoadError> zh_canonical_text(const ZhReadingIndex& index) {
  payload::CanonicalTextBuffer buffer;
  payload::CanonicalTextWriter writer(buffer);
  LUMRA_TRY(write_canonical_text(index, writer));
  return std::move(buffer.text);
}

}  // namespace lumra::zh
