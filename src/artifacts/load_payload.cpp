#include "artifacts/load_payload.h"

#include "artifacts/indexed/unidic_indexed_index.h"
#include "artifacts/indexed/zh_indexed_index.h"
#include "core/base/message_template.h"
#include "ja/unidic/yaml_payload.h"

namespace lumra::artifacts {

namespace {

using JapaneseLoad = Result<std::unique_ptr<ja::UnidicReadingIndex>, JapanesePayloadLoadError>;

// The names the Japanese subsystem loads itself: "yaml" and
// "yaml.surface-readings.v1".
JapaneseLoad load_by_japanese_loaders(std::string_view path, std::string_view format) {
  if (format == "yaml" || format == "yaml.surface-readings.v1") {
    auto index = ja::load_yaml_payload(path);
    if (!index.ok()) return Fail(JapanesePayloadLoadError(index.take_error()));
    return std::move(index).value();
  }
  return Fail(UnsupportedJapanesePayloadFormat{std::string(format)});
}

}  // namespace

bool is_indexed_format_name(std::string_view format) {
  return format == "indexed" || format == "fst" || format == "indexed-fst.surface-readings.v1";
}

std::string message(const UnsupportedJapanesePayloadFormat& error) {
  return fill_message("unsupported payload_format {}; expected 'yaml', 'binary', or 'indexed'",
                      Quoted{error.name});
}

std::string message(const JapanesePayloadLoadError& error) {
  if (const auto* unsupported = std::get_if<UnsupportedJapanesePayloadFormat>(&error)) {
    return message(*unsupported);
  }
  return ja::message(std::get<ja::UnidicLoadError>(error));
}

JapaneseLoad load_japanese_payload(std::string_view path, std::string_view format) {
  if (!is_indexed_format_name(format)) return load_by_japanese_loaders(path, format);
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
