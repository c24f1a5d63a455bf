#include "zh/index/load_payload.h"

#include "core/base/message_template.h"
#include "zh/index/yaml_payload.h"

namespace lumra::zh {

std::string message(const UnsupportedZhPayloadFormat& error) {
  return fill_message("unsupported payload_format {}; expected 'yaml' or 'indexed'",
                      Quoted{error.name});
}

std::string message(const ZhPayloadLoadError& error) {
  return std::visit([](const auto& e) { return message(e); }, error);
}

Result<std::unique_ptr<ZhReadingIndex>, ZhPayloadLoadError> load_zh_payload(
    std::string_view path, std::string_view format) {
  if (format == "yaml" || format == "yaml.surface-readings.v1") {
    auto index = load_zh_yaml_payload(path);
    if (!index.ok()) return Fail(ZhPayloadLoadError(index.take_error()));
    return std::move(index).value();
  }
  return Fail(UnsupportedZhPayloadFormat{std::string(format)});
}

}  // namespace lumra::zh
