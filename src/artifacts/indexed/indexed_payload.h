// An indexed payload held whole in memory (indexed_format.h describes the
// layout), with the checks that make it an index and the lookups over it.
//
// Both languages' indexes are a thin layer over this class, which reports
// problems in terms common to both (indexed_problem.h).
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "artifacts/fst/fst_map.h"
#include "artifacts/indexed/indexed_format.h"
#include "artifacts/indexed/indexed_problem.h"
#include "core/base/result.h"
#include "payload/surface_table_builder.h"

namespace lumra::artifacts {

class IndexedPayload {
 public:
  // The layout checks, in this order; the first failure ends them:
  //   1. more than max_payload_bytes bytes: LimitExceeded "payload_bytes";
  //   2. fewer than 40 bytes: Truncated "header";
  //   3. the magic, the version (1), the header word: BadMagic, BadVersion,
  //      BadHeaderWord;
  //   4. an entry count over its limit: LimitExceeded "entry_count";
  //   5. 40 + FST length overflows: Truncated "fst_section"; adding the
  //      readings length overflows: Truncated "readings_section"; the bytes
  //      end before both sections do: Truncated "indexed_payload";
  //   6. an FST section the map reader refuses: BadFst "FST error";
  //   7. the FST's key count differs from the header's: EntryCountMismatch.
  // The entries themselves are checked by check_entries().
  static Result<IndexedPayload, IndexedProblem> open(std::vector<std::uint8_t> bytes,
                                                     const IndexedFormat& format);

  // The FST map points into the bytes this object owns, so a copy would
  // point into the original's; moving keeps the bytes where they are.
  IndexedPayload(IndexedPayload&&) = default;
  IndexedPayload(const IndexedPayload&) = delete;
  IndexedPayload& operator=(const IndexedPayload&) = delete;

  // Walks every (surface, offset) pair in key order and checks each entry:
  //   1. the surface is not UTF-8: BadUtf8 "surface";
  //   2. it is empty: EmptySurface;
  //   3. it is longer than the surface limit: LimitExceeded "surface_bytes";
  //   4. decode_reading_record() of its offset, with its problems;
  //   5. no readings: EmptyReadings;
  //   6. per reading r in order: empty: EmptyReading; not in normal form
  //      (only when `normal_form` is given): ReadingNotNormalized; equal to
  //      an earlier reading: DuplicateReading.
  // A walk that the FST itself cannot finish (its key count or a key length
  // beyond what the walk allows is wrong) is BadFst. A record shared by
  // several surfaces is checked once, so hostile sharing cannot multiply the
  // work: it stays linear in the size of the payload. Asked to stop by the
  // thread's interruption source, the walk fails with Interrupted.
  Status<IndexedProblem> check_entries(const payload::ReadingNormalizer& normal_form) const;

  // Receives an entry: its surface and its readings in record order.
  using EntryVisitor =
      std::function<void(std::string_view surface, const std::vector<std::string_view>& readings)>;

  // check_entries(), handing each entry to `visit` once it has passed, in
  // the order of the walk: the same entries for_each_entry() gives, without
  // walking the FST and decoding the records a second time. The visits of a
  // walk that fails stop where it fails.
  Status<IndexedProblem> check_entries(const payload::ReadingNormalizer& normal_form,
                                       const EntryVisitor& visit) const;

  // Fills `readings` with views into the payload of the readings of the
  // record at `offset` (from the start of the readings section), reusing
  // its capacity. In this order: the record does not start before the end of
  // the bytes: BadOffset; no room for its count: Truncated "reading_count";
  // a count over the limit: LimitExceeded "reading_count"; then per reading:
  // no room for its length: Truncated "reading_len"; a length over the
  // limit: LimitExceeded "reading_bytes"; its bytes run past the end:
  // Truncated "reading"; not UTF-8: BadUtf8 "reading". Bounds are the end of
  // the bytes, not of the readings section.
  Status<IndexedProblem> decode_reading_record(std::uint64_t offset,
                                               std::vector<std::string_view>& readings) const;

  // Exact lookup of `surface`'s bytes; on a match, decode_reading_record()
  // of its offset. Allocates nothing once `readings` has the capacity.
  Result<bool, IndexedProblem> lookup(std::string_view surface,
                                      std::vector<std::string_view>& readings) const;

  // Every entry in ascending byte order of its surface; Interrupted when
  // the thread's interruption source asks it to stop.
  Status<IndexedProblem> for_each_entry(const EntryVisitor& visit) const;

  std::uint64_t entry_count() const { return entry_count_; }
  std::uint32_t header_word() const { return header_word_; }

 private:
  IndexedPayload(std::vector<std::uint8_t> bytes, fst::FstMap map, const IndexedFormat& format,
                 std::uint64_t readings_start, std::uint32_t header_word,
                 std::uint64_t entry_count)
      : bytes_(std::move(bytes)),
        map_(std::move(map)),
        limits_(format.limits),
        readings_start_(readings_start),
        header_word_(header_word),
        entry_count_(entry_count) {}

  Status<IndexedProblem> check_entries(const payload::ReadingNormalizer& normal_form,
                                       const EntryVisitor* visit) const;
  // decode_reading_record() of a record that has passed it before: the
  // same views, without the checks.
  void checked_record(std::uint64_t offset, std::vector<std::string_view>& readings) const;

  std::vector<std::uint8_t> bytes_;
  fst::FstMap map_;  // over the FST section of bytes_
  payload::EntryLimits limits_;
  std::uint64_t readings_start_;
  std::uint32_t header_word_;
  std::uint64_t entry_count_;
};

}  // namespace lumra::artifacts
