// The content checksum of a Chinese reading index: a digest of its canonical
// text (payload/canonical_text.h), so that the YAML and indexed payloads of
// the same entries and view check the same.
//
// The text is the header line "lumra.zh.reading-index.surface-readings/v1",
// the view's canonical name as a "V" field ("V5\ntone3\n"; a payload that
// wrote the alias "normal" checks as "no-tone"), and then every entry in
// ascending byte order of its surface, written as the Japanese text writes
// them: "S" field, "R" count line, "r" field per reading in stored order.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/base/result.h"
#include "payload/canonical_digest.h"
#include "payload/canonical_text.h"
#include "zh/index/pinyin_view.h"
#include "zh/index/reading_index.h"
#include "zh/index/zh_load_error.h"

namespace lumra::zh {

inline constexpr std::string_view kZhCanonicalHeader = "lumra.zh.reading-index.surface-readings/v1";
inline constexpr std::string_view kZhSha256Checksum = "sha256-canonical-v1";

// The hash that `algorithm` names for a Chinese index: "sha256-canonical-v1"
// (matched exactly); nothing for any other name.
std::optional<payload::CanonicalHash> zh_checksum_hash(std::string_view algorithm);

// The text's opening, before its entries: the header line and the view. A
// loader that walks the entries in canonical order itself writes this, then
// writer.entry() for each.
template <class Sink>
void write_zh_canonical_header(payload::CanonicalTextWriter<Sink>& writer, PinyinView view) {
  writer.line(kZhCanonicalHeader);
  writer.field('V', canonical_name(view));
}

// The checksum of `index` under `algorithm`: "sha256-canonical-v1" (matched
// exactly) gives 64 lower-case hexadecimal digits; any other name, the
// Japanese "fnv1a64-canonical-v1" included, gives nothing, for the caller to
// report in its own terms. An indexed index whose readings record fails to
// decode fails with that error: it passed validation when loaded, so this
// only happens when its bytes are not what was validated.
Result<std::optional<std::string>, ZhLoadError> zh_canonical_checksum(const ZhReadingIndex& index,
                                                                      std::string_view algorithm);

// The canonical text itself, whole in memory.
Result<std::string, ZhLoadError> zh_canonical_text(const ZhReadingIndex& index);

}  // namespace lumra::zh
