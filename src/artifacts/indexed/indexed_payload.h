// An indexed payload held whole in memory (indexed_format.h describes the
// layout) whose every entry has passed its checks, with the lookups over
// it. UncheckedIndexedPayload (unchecked_indexed_payload.h) makes one.
//
// Both languages' indexes are a thin layer over this class, which reports
// problems in terms common to both (indexed_problem.h).
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "artifacts/fst/fst_map.h"
#include "artifacts/indexed/indexed_problem.h"
#include "artifacts/indexed/reading_record.h"
#include "core/base/result.h"

namespace lumra::artifacts {

class IndexedPayload {
 public:
  // The FST map points into the bytes this object owns, so a copy would
  // point into the original's; moving keeps the bytes where they are.
  IndexedPayload(IndexedPayload&&) = default;
  IndexedPayload(const IndexedPayload&) = delete;
  IndexedPayload& operator=(const IndexedPayload&) = delete;

  // Receives an entry: its surface and its readings in record order.
  using EntryVisitor =
      std::function<void(std::string_view surface, const std::vector<std::string_view>& readings)>;

  // Fills `readings` with views into the payload of the readings of the
  // record at `offset` (from the start of the readings section), reusing
  // its capacity, with the problems of decode_reading_record() in
  // reading_record.h.
  Status<IndexedProblem> decode_reading_record(std::uint64_t offset,
                                               std::vector<std::string_view>& readings) const {
    return artifacts::decode_reading_record(section(), offset, readings);
  }

  // Exact lookup of `surface`'s bytes; on a match, decode_reading_record()
  // of its offset. Allocates nothing once `readings` has the capacity.
  Result<bool, IndexedProblem> lookup(std::string_view surface,
                                      std::vector<std::string_view>& readings) const;

  // Every entry in ascending byte order of its surface; Interrupted when
  // the thread's interruption source asks it to stop.
  Status<IndexedProblem> for_each_entry(const EntryVisitor& visit) const;

  // The surfaces' FST, whose values are record offsets.
  const fst::FstMap& map() const { return map_; }

  std::uint64_t entry_count() const { return entry_count_; }
  std::uint32_t header_word() const { return header_word_; }

 private:
  friend class UncheckedIndexedPayload;

  IndexedPayload(std::vector<std::uint8_t> bytes, fst::FstMap map, const payload::EntryLimits& limits,
                 std::uint64_t readings_start, std::uint32_t header_word, std::uint64_t entry_count)
      : bytes_(std::move(bytes)),
        map_(std::move(map)),
        limits_(limits),
        readings_start_(readings_start),
        header_word_(header_word),
        entry_count_(entry_count) {}

  ReadingsSection section() const {
    return {bytes_, readings_start_, limits_.reading_count, limits_.reading_bytes};
  }

  std::vector<std::uint8_t> bytes_;
  fst::FstMap map_;  // over the FST section of bytes_
  payload::EntryLimits limits_;
  std::uint64_t readings_start_;
  std::uint32_t header_word_;
  std::uint64_t entry_count_;
};

// A walk's work for an entry, in interruption units (about a nanosecond
// each): a pass over its bytes, and a little for the step of the walk.
std::uint64_t entry_work(std::string_view surface, const std::vector<std::string_view>& readings);

}  // namespace lumra::artifacts
