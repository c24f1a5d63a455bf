// Loading a payload file of either language by the name of its format: the
// indexed names are answered here, where the FST reader lives, and every
// other name by the language's own loaders.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "core/base/result.h"
#include "ja/unidic/load_payload.h"
#include "ja/unidic/reading_index.h"
#include "ja/unidic/unidic_load_error.h"
#include "zh/index/load_payload.h"
#include "zh/index/reading_index.h"

namespace lumra::artifacts {

// "indexed", "fst" and "indexed-fst.surface-readings.v1", matched exactly,
// case included.
bool is_indexed_format_name(std::string_view format);

// Japanese load failures: a payload error, or a format name no loader
// answers to.
using JapanesePayloadLoadError = ja::UnidicPayloadLoadError;

// The indexed names load an indexed payload (load_indexed_payload); the
// others go to ja::load_unidic_payload, which refuses the names it does not
// know with "unsupported payload_format {name, quoted}; expected 'yaml',
// 'binary', or 'indexed'".
Result<std::unique_ptr<ja::UnidicReadingIndex>, JapanesePayloadLoadError> load_japanese_payload(
    std::string_view path, std::string_view format);

// A loaded index, and its canonical checksum when the load could take it on
// its way: an indexed payload, whose check of every entry walks them in
// canonical order, and a binary one, which notes the keys of that order as
// it decodes. A YAML payload's checksum is a walk of the index afterwards,
// for the caller to take when it needs it.
template <class Index>
struct ChecksummedPayload {
  std::unique_ptr<Index> index;
  std::optional<std::string> checksum_on_load;
};

// load_japanese_payload(); for an indexed or binary payload and an
// algorithm that ja::unidic_checksum_hash() knows, the checksum too, equal
// to what ja::canonical_payload_checksum() gives for the loaded index.
Result<ChecksummedPayload<ja::UnidicReadingIndex>, JapanesePayloadLoadError>
load_japanese_payload_with_checksum(std::string_view path, std::string_view format,
                                    std::string_view checksum_algorithm);

// The indexed names load an indexed payload (load_zh_indexed_payload); the
// others go to zh::load_zh_payload, which refuses the names it does not know
// with "unsupported payload_format {name, quoted}; expected 'yaml' or
// 'indexed'".
Result<std::unique_ptr<zh::ZhReadingIndex>, zh::ZhPayloadLoadError> load_chinese_payload(
    std::string_view path, std::string_view format);

// load_chinese_payload(); for an indexed payload and an algorithm that
// zh::zh_checksum_hash() knows, the checksum too, equal to what
// zh::zh_canonical_checksum() gives for the loaded index.
Result<ChecksummedPayload<zh::ZhReadingIndex>, zh::ZhPayloadLoadError>
load_chinese_payload_with_checksum(std::string_view path, std::string_view format,
                                   std::string_view checksum_algorithm);

}  // namespace lumra::artifacts
