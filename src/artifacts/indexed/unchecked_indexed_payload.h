// An indexed payload on its way to becoming an index: its layout has
// passed, its entries are still to be checked.
//
// The FST's nodes are checked during the walk over the entries
// (fst/opening_walk.h), not in a pass of their own, yet every problem is
// the one a load that opened the FST first would report: when an entry has
// a problem before the walk has met every node, the whole FST is checked
// before the entry's problem is reported, so that a bad FST always wins.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "artifacts/fst/opening_walk.h"
#include "artifacts/indexed/earlier_readings.h"
#include "artifacts/indexed/indexed_format.h"
#include "artifacts/indexed/indexed_payload.h"
#include "artifacts/indexed/indexed_problem.h"
#include "artifacts/indexed/reading_record.h"
#include "artifacts/indexed/record_screen.h"
#include "core/base/result.h"
#include "payload/surface_table_builder.h"

namespace lumra::artifacts {

// What a language asks of its readings beyond UTF-8: the normal form it
// keeps them in, if any, and the quick screen of whole records.
struct ReadingRules {
  // The normal form of a reading that is not in it (unset: readings have
  // no normal form to be in).
  payload::ReadingNormalizer normal_form;
  // Says quickly of most readings that are in normal form that they are,
  // so that `normal_form` is asked only about the others; null to ask
  // about all.
  bool (*plainly_normal)(std::string_view reading) = nullptr;
  // Says quickly of most records that pass every check that they do
  // (record_screen.h); the exact checks run on the others. Its plain
  // readings must be in normal form.
  RecordScreen screen = screen_utf8_record;
};

class UncheckedIndexedPayload {
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
  static Result<UncheckedIndexedPayload, IndexedProblem> open(std::vector<std::uint8_t> bytes,
                                                              const IndexedFormat& format);

  std::uint32_t header_word() const { return header_word_; }

  // Walks every (surface, offset) pair in key order and checks each entry:
  //   1. the surface is not UTF-8: BadUtf8 "surface";
  //   2. it is empty: EmptySurface;
  //   3. it is longer than the surface limit: LimitExceeded "surface_bytes";
  //   4. decode_reading_record() of its offset, with its problems;
  //   5. no readings: EmptyReadings;
  //   6. per reading r in order: empty: EmptyReading; not in normal form
  //      (only when the language has one): ReadingNotNormalized; equal to
  //      an earlier reading: DuplicateReading.
  // A walk that the FST itself cannot finish (its key count or a key length
  // beyond what the walk allows is wrong) is BadFst. A record shared by
  // several surfaces is checked once, so hostile sharing cannot multiply the
  // work: it stays linear in the size of the payload. Asked to stop by the
  // thread's interruption source, the walk fails with Interrupted.
  //
  // Given `visit`, each entry is handed to it once it has passed, in the
  // order of the walk: the entries IndexedPayload::for_each_entry() gives,
  // without walking the FST and decoding the records a second time. The
  // visits of a walk that fails stop where it fails.
  Result<IndexedPayload, IndexedProblem> check_entries(const ReadingRules& rules) &&;
  Result<IndexedPayload, IndexedProblem> check_entries(const ReadingRules& rules,
                                                       const IndexedPayload::EntryVisitor& visit) &&;

 private:
  UncheckedIndexedPayload(std::vector<std::uint8_t> bytes, fst::OpeningWalk walk, const IndexedFormat& format,
                          std::uint64_t readings_start, std::uint32_t header_word,
                          std::uint64_t entry_count)
      : bytes_(std::move(bytes)),
        walk_(std::move(walk)),
        limits_(format.limits),
        readings_start_(readings_start),
        header_word_(header_word),
        entry_count_(entry_count) {}

  Result<IndexedPayload, IndexedProblem> check_entries(const ReadingRules& rules,
                                                       const IndexedPayload::EntryVisitor* visit) &&;
  Status<IndexedProblem> walk_entries(const ReadingRules& rules,
                                      const IndexedPayload::EntryVisitor* visit);
  // The checks of the record at `offset` from its decoding on, exactly and
  // in order, for a record the screen did not pass: steps 4 to 6 above.
  // `readings` holds the record's readings after a pass.
  Status<IndexedProblem> check_record(std::string_view surface, std::uint64_t offset,
                                      const ReadingRules& rules, const ReadingsSection& records,
                                      std::vector<std::string_view>& readings,
                                      EarlierReadings& earlier) const;
  std::span<const std::uint8_t> fst_section() const {
    return {bytes_.data() + kIndexedHeaderBytes, readings_start_ - kIndexedHeaderBytes};
  }

  std::vector<std::uint8_t> bytes_;
  fst::OpeningWalk walk_;  // over the FST section of bytes_
  payload::EntryLimits limits_;
  std::uint64_t readings_start_;
  std::uint32_t header_word_;
  std::uint64_t entry_count_;
};

}  // namespace lumra::artifacts
