#include "zh/index/reading_index.h"

#include <string>

namespace lumra::zh {

Result<ZhReadingIndexPayload, ZhLoadError> to_payload(const ZhReadingIndex& index) {
  ZhReadingIndexPayload payload;
  payload.schema_version = 1;
  payload.payload_type = std::string(kZhPayloadType);
  payload.pinyin_view = std::string(canonical_name(index.view()));
  payload.entries.reserve(index.entry_count());
  LUMRA_TRY(index.for_each_canonical_entry(
      [&](std::string_view surface, const std::vector<std::string_view>& readings) {
        payload.entries.push_back(
            {std::string(surface), std::vector<std::string>(readings.begin(), readings.end())});
      }));
  return payload;
}

}  // namespace lumra::zh
