// The decoded Japanese payload: what every payload format reads into before
// validation makes it an index.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumra::ja {

inline constexpr std::string_view kUnidicPayloadType = "lumra.unidic.reading-index.surface-readings";

struct UnidicReadingIndexPayloadEntry {
  std::string surface;
  std::vector<std::string> readings;  // most preferred first
};

struct UnidicReadingIndexPayload {
  std::uint32_t schema_version = 0;
  std::string payload_type;
  std::vector<UnidicReadingIndexPayloadEntry> entries;
};

// The inclusive limits of Japanese artifacts.
struct UnidicArtifactLimits {
  static constexpr std::uint64_t kPayloadBytes = 536870912;
  static constexpr std::uint64_t kEntryCount = 3000000;
  static constexpr std::uint64_t kSurfaceBytes = 16384;
  static constexpr std::uint64_t kReadingCount = 256;
  static constexpr std::uint64_t kReadingBytes = 16384;
};

}  // namespace lumra::ja
