#include "artifacts/load_payload.h"

#include "artifacts/indexed/unidic_indexed_index.h"
#include "artifacts/indexed/zh_indexed_index.h"

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

}  // namespace lumra::artifacts
