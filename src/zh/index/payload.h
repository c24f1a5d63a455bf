// The decoded Chinese payload, and the fixed limits of Chinese artifacts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumra::zh {

inline constexpr std::string_view kZhPayloadType = "lumra.zh.reading-index.surface-readings";

struct ZhReadingIndexPayloadEntry {
  std::string surface;
  std::vector<std::string> readings;  // most preferred first
};

struct ZhReadingIndexPayload {
  std::uint32_t schema_version = 0;
  std::string payload_type;
  std::string pinyin_view;  // a name parse_pinyin_view() accepts
  std::vector<ZhReadingIndexPayloadEntry> entries;
};

// The inclusive limits of every Chinese artifact operation; the names in
// ArtifactLimitExceeded are the snake_case forms ("payload_bytes", ...,
// "max_readings_per_segment").
struct ZhArtifactLimits {
  static constexpr std::uint64_t kPayloadBytes = 536870912;
  static constexpr std::uint64_t kEntryCount = 2000000;
  static constexpr std::uint64_t kSurfaceBytes = 16384;
  static constexpr std::uint64_t kReadingCount = 256;
  static constexpr std::uint64_t kReadingBytes = 16384;
  static constexpr std::uint64_t kMaxSpanChars = 256;
  static constexpr std::uint64_t kMaxPaths = 16384;
  static constexpr std::uint64_t kMaxReadingsPerSegment = 256;
};

}  // namespace lumra::zh
