// Any bytes as a Chinese YAML payload.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "zh/index/yaml_payload.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto index = lumra::zh::parse_zh_yaml_payload(
      std::string_view(reinterpret_cast<const char*>(data), size));
  if (!index.ok()) (void)lumra::zh::message(index.error());
  return 0;
}
