// Any bytes as a binary Japanese payload ("LUMRAU01").
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ja/unidic/binary_payload.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto index = lumra::ja::decode_binary_payload(
      std::string_view(reinterpret_cast<const char*>(data), size));
  if (!index.ok()) (void)lumra::ja::message(index.error());
  return 0;
}
