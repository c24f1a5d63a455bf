// SurfaceTableBuilder: the entry checks that every surface-readings payload
// passes, in their order, while the table is filled.
//
// Entries arrive one at a time, straight from a parser or from a decoded
// payload record. The first entry that fails a check is kept as the problem
// and the table is dropped at once; later entries are only counted, since
// the problem decides the outcome unless the entry count itself is over its
// limit, which finish() reports first. Callers check their header fields
// before finish() and map the problem onto their own error type.
//
// Checks per entry, with its 0-based index k: surface over the byte limit;
// more readings than the count limit; empty surface; no readings; then for
// each reading r in order: over the byte limit, empty, not in normal form
// (when finish() is given a normaliser), equal to an earlier reading;
// finally a surface already present, which finish() finds when it indexes
// the entries kept.
//
// The normal form is known only at finish(): a payload may name its pinyin
// view after its entries. finish() then checks the readings of the entries
// kept so far, in the order they came, and the readings of the failing entry
// that precede its problem, so the outcome is the one of checking each
// reading in its place.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/base/result.h"
#include "payload/surface_table.h"

namespace lumra::payload {

// The limits are inclusive; exceeding one is a LimitExceeded problem with
// the field names "entry_count", "surface_bytes", "reading_count",
// "reading_bytes".
struct EntryLimits {
  std::uint64_t entry_count;
  std::uint64_t surface_bytes;
  std::uint64_t reading_count;
  std::uint64_t reading_bytes;
};

namespace entry_problems {

struct LimitExceeded {
  std::string_view field;
  std::uint64_t length;
  std::uint64_t max;
};
struct EmptySurface {
  std::uint64_t entry_index;
};
struct EmptyReadings {
  std::string surface;
};
struct EmptyReading {
  std::string surface;
  std::uint64_t reading_index;
};
struct ReadingNotNormalized {
  std::string surface;
  std::string reading;
  std::string normalized;
};
struct DuplicateReading {
  std::string surface;
  std::string reading;
};
struct DuplicateSurface {
  std::string surface;
};

}  // namespace entry_problems

using EntryProblem =
    std::variant<entry_problems::LimitExceeded, entry_problems::EmptySurface,
                 entry_problems::EmptyReadings, entry_problems::EmptyReading,
                 entry_problems::ReadingNotNormalized, entry_problems::DuplicateReading,
                 entry_problems::DuplicateSurface>;

// The normalised form of a reading, or nothing when the reading is already
// in it.
using ReadingNormalizer = std::function<std::optional<std::string>(std::string_view reading)>;

class SurfaceTableBuilder {
 public:
  explicit SurfaceTableBuilder(EntryLimits limits);

  // Allocates the hash index for `entries` entries up front (and their
  // surface-order keys, when they are noted), and the storage
  // of their texts for `text_bytes` bytes (the surfaces and readings, plus one
  // to three bytes for each of their lengths and each reading count). A
  // loader that knows a bound, such as its file size, spares the copies of
  // growing the storage and the peak of holding it twice while it grows;
  // the system backs a large reservation with memory only as it is filled.
  void reserve(std::uint64_t entries, std::uint64_t text_bytes = 0);

  // Checks and adds the next entry. `reading_count` is the entry's number of
  // readings, of which `readings` may hold only the first ones when there
  // are more than the count limit allows (the entry fails on its count
  // before its readings are looked at, so a parser need not keep them).
  void add(std::string_view surface, std::span<const std::string_view> readings,
           std::uint64_t reading_count);
  void add(std::string_view surface, std::span<const std::string_view> readings) {
    add(surface, readings, readings.size());
  }

  // From now on, notes in `keys` the surface-order key of every entry the
  // table keeps, in order, for a caller that will walk the finished table
  // in surface order (SurfaceTable::for_each_in_surface_order): the key
  // comes cheaply from the surface in hand, where the walk would otherwise
  // read the whole table to find it. The keys match the table only when
  // finish() succeeds.
  void note_surface_order_keys(std::vector<SurfaceOrderKey>* keys) { keys_ = keys; }

  const EntryLimits& limits() const { return limits_; }
  std::uint64_t entry_count() const { return entries_; }
  bool failed() const { return problem_.has_value(); }

  // The entry-count limit, then the first problem (the normal form of the
  // readings included when `normalizer` is given), then the table.
  Result<SurfaceTable, EntryProblem> finish(const ReadingNormalizer& normalizer = {}) &&;

 private:
  // What finish() needs of the first failing entry: its surface, and those
  // of its readings that were in place before the problem was found (the
  // normal-form check of each comes before its duplicate check).
  struct FailedEntry {
    std::string surface;
    std::vector<std::string> readings_before_problem;
  };

  // The entry's first problem, if any; `readings_before` is set to the
  // number of its readings whose normal form is checked before it.
  std::optional<EntryProblem> check(std::uint64_t entry_index, std::string_view surface,
                                    std::span<const std::string_view> readings,
                                    std::uint64_t reading_count, std::size_t& readings_before);
  std::optional<std::uint64_t> find_duplicate_reading(std::span<const std::string_view> readings);

  EntryLimits limits_;
  SurfaceTable table_;
  std::uint64_t entries_ = 0;
  std::optional<EntryProblem> problem_;
  FailedEntry failed_entry_;
  std::vector<std::uint32_t> seen_readings_;  // scratch of find_duplicate_reading
  std::vector<SurfaceOrderKey>* keys_ = nullptr;
};

}  // namespace lumra::payload
