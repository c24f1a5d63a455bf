// Any bytes as a Japanese YAML payload: a load either builds an index or
// fails with an error whose message can be written.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ja/unidic/yaml_payload.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto index = lumra::ja::parse_yaml_payload(
      std::string_view(reinterpret_cast<const char*>(data), size));
  if (!index.ok()) (void)lumra::ja::message(index.error());
  return 0;
}
