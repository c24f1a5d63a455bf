#include "zh/index/canonical_checksum.h"

#include <vector>

#include "payload/canonical_text.h"
#include "payload/sha256.h"
#include "zh/index/pinyin_view.h"

namespace lumra::zh {

namespace {

// Writes the canonical text of `index` into `sink`, piece by piece.
template <class Sink>
Status<ZhLoadError> write_canonical_text(const ZhReadingIndex& index, Sink& sink) {
  payload::CanonicalTextWriter<Sink> writer(sink);
  writer.line(kZhCanonicalHeader);
  writer.field('V', canonical_name(index.view()));
  LUMRA_TRY(index.for_each_canonical_entry(
      [&](std::string_view surface, const std::vector<std::string_view>& readings) {
        writer.entry(surface, readings);
      }));
  writer.flush();
  return Unit{};
}

}  // namespace

Result<std::optional<std::string>, ZhLoadError> zh_canonical_checksum(const ZhReadingIndex& index,
                                                                      std::string_view algorithm) {
  if (algorithm != kZhSha256Checksum) return std::optional<std::string>();
  payload::Sha256 hash;
  LUMRA_TRY(write_canonical_text(index, hash));
  return std::optional<std::string>(hash.hex_digest());
}

Result<std::string, ZhLoadError> zh_canonical_text(const ZhReadingIndex& index) {
  payload::CanonicalTextBuffer buffer;
  LUMRA_TRY(write_canonical_text(index, buffer));
  return std::move(buffer.text);
}

}  // namespace lumra::zh
