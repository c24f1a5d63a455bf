#include "artifacts/load_payload.h"

#include "artifacts/indexed/unidic_indexed_index.h"
#include "artifacts/indexed/zh_indexed_index.h"
#include "ja/unidic/binary_payload.h"
#include "ja/unidic/canonical_checksum.h"
#include "payload/canonical_digest.h"
#include "zh/index/canonical_checksum.h"

namespace lumra::artifacts {

using JapaneseLoad = Result<std::unique_ptr<ja::UnidicReadingIndex>, JapanesePayloadLoadError>;

bool is_indexed_format_name(std::string_view format) {
  return format == "indexed" || format == "fst" || format == "indexed-fst.surface-readings.v1";
}

JapaneseLoad load_japanese_payload(std::string_view path, std::string_view format) {
  if (!is_indexed_format_name(format)) return ja::load_unidic_payload(path, format);
  auto index = load_indexed_payload(path);
  if (!index.ok()) return Fail(JapanesePayloadLoadError(index.take_error()));
  return std::unique_ptr<ja::UnidicReadingIndex>(std::move(index).value());
}

Result<std::unique_ptr<zh::ZhReadingIndex>, zh::ZhPayloadLoadError> load_chinese_payload(
    std::string_view path, std::string_view format) {
  if (!is_indexed_format_name(format)) return zh::load_zh_payload(path, format);
  auto index = load_zh_indexed_payload(path);
  if (!index.ok()) return Fail(zh::ZhPayloadLoadError(index.take_error()));
  return std::unique_ptr<zh::ZhReadingIndex>(std::move(index).value());
}

Result<ChecksummedPayload<ja::UnidicReadingIndex>, JapanesePayloadLoadError>
load_japanese_payload_with_checksum(std::string_view path, std::string_view format,
                                    std::string_view checksum_algorithm) {
  const std::optional<payload::CanonicalHash> hash = ja::unidic_checksum_hash(checksum_algorithm);
  if (hash && ja::is_binary_format_name(format)) {
    auto loaded = ja::load_binary_payload_with_checksum(path, *hash);
    if (!loaded.ok()) return Fail(JapanesePayloadLoadError(loaded.take_error()));
    return ChecksummedPayload<ja::UnidicReadingIndex>{std::move(loaded.value().index),
                                                      std::move(loaded.value().checksum)};
  }
  if (!hash || !is_indexed_format_name(format)) {
    LUMRA_TRY_ASSIGN(std::unique_ptr<ja::UnidicReadingIndex> index,
                     load_japanese_payload(path, format));
    return ChecksummedPayload<ja::UnidicReadingIndex>{std::move(index), std::nullopt};
  }
  payload::CanonicalDigest digest(*hash);
  auto index = load_indexed_payload(path, &digest);
  if (!index.ok()) return Fail(JapanesePayloadLoadError(index.take_error()));
  return ChecksummedPayload<ja::UnidicReadingIndex>{std::move(index).value(),
                                                    digest.hex_digest()};
}

Result<ChecksummedPayload<zh::ZhReadingIndex>, zh::ZhPayloadLoadError>
load_chinese_payload_with_checksum(std::string_view path, std::string_view format,
                                   std::string_view checksum_algorithm) {
  const std::optional<payload::CanonicalHash> hash = zh::zh_checksum_hash(checksum_algorithm);
  if (!hash || !is_indexed_format_name(format)) {
    LUMRA_TRY_ASSIGN(std::unique_ptr<zh::ZhReadingIndex> index,
                     load_chinese_payload(path, format));
    return ChecksummedPayload<zh::ZhReadingIndex>{std::move(index), std::nullopt};
  }
  payload::CanonicalDigest digest(*hash);
  auto index = load_zh_indexed_payload(path, &digest);
  if (!index.ok()) return Fail(zh::ZhPayloadLoadError(index.take_error()));
  return ChecksummedPayload<zh::ZhReadingIndex>{std::move(index).value(), digest.hex_digest()};
}

}  // namespace lumra::artifacts
