// Decoding the readings records of an indexed payload (indexed_format.h).
//
// A record is decoded with every check by decode_reading_record(), which
// says what is wrong with it and in which order the checks run. A load
// screens every record first (record_screen.h), which only says whether it
// passes, and asks decode_reading_record() when it does not. A record that
// passed once is read again with read_checked_reading_record().
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "artifacts/indexed/indexed_problem.h"
#include "core/base/result.h"
#include "payload/surface_table_builder.h"

namespace lumra::artifacts {

// Where the records of a payload lie.
struct ReadingsSection {
  // The whole payload: records are bounded by its end, not by the end of
  // their section.
  std::span<const std::uint8_t> payload;
  std::uint64_t start;  // the first byte of the section, at most payload.size()
  std::uint64_t max_reading_count;
  std::uint64_t max_reading_bytes;
};

// Fills `readings` with views into the payload of the readings of the
// record at `offset` (from the start of the section), reusing its
// capacity. In this order: the record does not start before the end of the
// payload: BadOffset; no room for its count: Truncated "reading_count"; a
// count over the limit: LimitExceeded "reading_count"; then per reading: no
// room for its length: Truncated "reading_len"; a length over the limit:
// LimitExceeded "reading_bytes"; its bytes run past the end: Truncated
// "reading"; not UTF-8: BadUtf8 "reading".
Status<IndexedProblem> decode_reading_record(const ReadingsSection& section, std::uint64_t offset,
                                             std::vector<std::string_view>& readings);

// decode_reading_record() of a record that has passed it before: the same
// readings, without the checks.
void read_checked_reading_record(const ReadingsSection& section, std::uint64_t offset,
                                 std::vector<std::string_view>& readings);

}  // namespace lumra::artifacts
