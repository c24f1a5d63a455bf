#include "artifacts/indexed/record_screen.h"

#include "artifacts/indexed/valid_utf8.h"

namespace lumra::artifacts {

bool screen_utf8_record(const ReadingsSection& section, std::uint64_t offset,
                        std::vector<std::string_view>& readings) {
  std::uint64_t lengths = 0;  // every reading length, or-ed
  const bool passed = screen_record(
      section, offset, readings, [&](const std::uint8_t*, std::size_t size, const std::uint8_t*) {
        lengths |= size;
        return size != 0;
      });
  if (!passed) return false;
  const auto* payload_end = section.payload.data() + section.payload.size();
  // Lengths under 128 are written in four ASCII bytes, which no character
  // can run into or out of: then the readings are all valid exactly when
  // everything from the first reading to the end of the last one is, and
  // one pass over it does instead of one per reading.
  const auto* first = reinterpret_cast<const std::uint8_t*>(readings.front().data());
  if (lengths < 128) {
    const auto* end = reinterpret_cast<const std::uint8_t*>(readings.back().data() + readings.back().size());
    return is_valid_utf8(first, static_cast<std::size_t>(end - first), payload_end);
  }
  for (std::string_view reading : readings) {
    if (!is_valid_utf8(reinterpret_cast<const std::uint8_t*>(reading.data()), reading.size(), payload_end)) {
      return false;
    }
  }
  return true;
}

}  // namespace lumra::artifacts
