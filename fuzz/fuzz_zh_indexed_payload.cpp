// Any bytes as an indexed Chinese payload ("LUMRAZ01", with its FST map).
// A payload that opens is walked whole and looked up with prefixes of the
// input, so that the map and the records are read too, as a dictionary
// would read them.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "artifacts/indexed/zh_indexed_index.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto index = lumra::artifacts::parse_zh_indexed_payload(std::vector<std::uint8_t>(data, data + size));
  if (!index.ok()) {
    (void)lumra::zh::message(index.error());
    return 0;
  }
  std::vector<std::string_view> readings;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (std::size_t cut = 0; cut <= size && cut < 32; ++cut) {
    (void)index.value()->lookup_readings(text.substr(size - cut), readings);
  }
  auto walked = index.value()->for_each_canonical_entry(
      [](std::string_view, const std::vector<std::string_view>&) {});
  if (!walked.ok()) (void)lumra::zh::message(walked.error());
  return 0;
}
