// Writes an indexed payload (indexed_format.h) from entries given in
// ascending byte order of their surfaces: one readings record per entry,
// in entry order, and the FST map from each surface to its record.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "artifacts/fst/fst_error.h"
#include "artifacts/fst/fst_map_builder.h"
#include "artifacts/indexed/indexed_format.h"
#include "artifacts/indexed/indexed_problem.h"
#include "core/base/result.h"

namespace lumra::artifacts {

// What the encoder refuses: an entry or a file over the format's limits
// (which the loader would refuse too), or a surface out of order.
using EncodeProblem = std::variant<indexed_problems::LimitExceeded, fst::FstBuildError>;

class IndexedPayloadEncoder {
 public:
  IndexedPayloadEncoder(const IndexedFormat& format, std::uint32_t header_word);

  // Appends an entry. Its surface must sort strictly after the previous
  // one's; the surface, the reading count, each reading and the number of
  // entries must be within the format's limits. A refused entry leaves the
  // encoder as it was.
  Status<EncodeProblem> add(std::string_view surface, std::span<const std::string_view> readings);

  // The whole payload, or LimitExceeded "payload_bytes" when it would be
  // larger than the format allows. The encoder is spent afterwards.
  Result<std::vector<std::uint8_t>, EncodeProblem> finish() &&;

 private:
  IndexedFormat format_;
  std::uint32_t header_word_;
  fst::FstMapBuilder map_;
  std::string records_;
};

}  // namespace lumra::artifacts
