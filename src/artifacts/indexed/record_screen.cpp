#include "artifacts/indexed/record_screen.h"

#include "artifacts/indexed/valid_utf8.h"

namespace lumra::artifacts {

bool screen_utf8_record(const ReadingsSection& section, std::uint64_t offset,
                        std::vector<std::string_view>& readings) {
  return screen_record(section, offset, readings,
                       [](const std::uint8_t* bytes, std::size_t size, const std::uint8_t* readable_end) {
                         return size != 0 && is_valid_utf8(bytes, size, readable_end);
                       });
}

}  // namespace lumra::artifacts
