#include "ja/unidic/load_payload.h"

#include "core/base/message_template.h"
#include "ja/unidic/binary_payload.h"
#include "ja/unidic/yaml_payload.h"

namespace lumra::ja {

std::string message(const UnsupportedUnidicPayloadFormat& error) {
  return fill_message("unsupported payload_format {}; expected 'yaml', 'binary', or 'indexed'",
                      Quoted{error.name});
}

std::string message(const UnidicPayloadLoadError& error) {
  return std::visit([](const auto& e) { return message(e); }, error);
}

bool is_binary_format_name(std::string_view format) {
  return format == "binary" || format == "binary.surface-readings.v1";
}

Result<std::unique_ptr<UnidicReadingIndex>, UnidicPayloadLoadError> load_unidic_payload(
    std::string_view path, std::string_view format) {
  using Loader = Result<std::unique_ptr<UnidicReadingIndex>, UnidicLoadError> (*)(std::string_view);
  Loader loader = nullptr;
  if (format == "yaml" || format == "yaml.surface-readings.v1") loader = load_yaml_payload;
  if (is_binary_format_name(format)) loader = load_binary_payload;
  if (loader == nullptr) return Fail(UnsupportedUnidicPayloadFormat{std::string(format)});
  auto index = loader(path);
  if (!index.ok()) return Fail(UnidicPayloadLoadError(index.take_error()));
  return std::move(index).value();
}

}  // namespace lumra::ja
