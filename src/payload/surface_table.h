// SurfaceTable: the entries of a map-form reading index, surfaces with their
// ordered readings, in as little memory as a hash map of them can take.
//
// All texts live in one arena, entry after entry: the surface's length and
// bytes, the reading count, then each reading's length and bytes (lengths as
// LEB128 varints, one or two bytes under the payload limits). The hash index
// is an open-addressing table of 64-bit slots, each holding an entry's arena
// offset and 16 more bits of its surface hash, so a probe compares bytes only
// when those bits match. There is no per-entry or per-reading object.
//
// A table is filled only by SurfaceTableBuilder, which validates every
// entry first, and never changes afterwards; lookups allocate nothing and may
// run on any number of threads at once. Entries are appended to the arena as
// they arrive and hashed all at once when the table is complete: inserting
// them one by one between a parser's steps costs a cache miss per entry (and
// more for every rehash of a growing table), while one pass over the arena
// into a table of the final size overlaps its misses.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "payload/surface_order_walk.h"

namespace lumra::payload {

class SurfaceTable {
 public:
  SurfaceTable() = default;

  // Fills `readings` with views of the readings of `surface` (exact byte
  // match), in stored order, valid while the table lives, and returns true;
  // otherwise clears `readings` and returns false. Allocates only when
  // `readings` lacks the capacity.
  bool find(std::string_view surface, std::vector<std::string_view>& readings) const;

  std::uint64_t size() const { return count_; }

  // Calls `visit` with every entry, surfaces in ascending byte order
  // (surface_order_walk.h).
  using EntryVisitor = SurfaceVisitor;
  void for_each_in_surface_order(const EntryVisitor& visit) const;
  // The same with the entries' keys, one per entry in the order they were
  // added, as SurfaceTableBuilder::note_surface_order_keys() gathers them:
  // the walk then need not read the whole table to find them.
  void for_each_in_surface_order(const EntryVisitor& visit,
                                 std::vector<SurfaceOrderKey> keys) const;
  // The same walk, handing `visit` each entry's record (surface_record.h)
  // as (arena, offset) instead of decoded views: for a caller that writes
  // every entry out, such as CanonicalTextWriter::record().
  template <class VisitRecord>
  void for_each_record_in_surface_order(std::vector<SurfaceOrderKey> keys,
                                        VisitRecord&& visit) const {
    if (keys.size() != count_) keys = gather_surface_order_keys(arena_, count_);
    sort_surface_order_keys(arena_, keys);
    const std::string_view arena = arena_;
    visit_records(arena.data(), keys, [&](std::uint64_t offset) { visit(arena, offset); });
  }

 private:
  friend class SurfaceTableBuilder;

  // Adds an entry to the arena; it is found only after index().
  void append(std::string_view surface, std::span<const std::string_view> readings);
  // Hashes every appended entry, in the order they came. Returns the arena
  // offset of the first entry whose surface an earlier one already has,
  // leaving that entry and the ones after it unindexed (see truncate()).
  std::optional<std::uint64_t> index();
  // Drops the entries from arena offset `offset` on.
  void truncate(std::uint64_t offset);
  void reserve(std::uint64_t entries, std::uint64_t text_bytes);
  void release();
  // Every entry in the order it was inserted.
  void for_each_in_insertion_order(const EntryVisitor& visit) const;

  std::string_view surface_at(std::uint64_t offset) const;
  void readings_at(std::uint64_t offset, std::vector<std::string_view>& readings) const;

  std::string arena_;
  std::vector<std::uint64_t> slots_;  // 0 when empty
  std::uint64_t count_ = 0;
};

}  // namespace lumra::payload
