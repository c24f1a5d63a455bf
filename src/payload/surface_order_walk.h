// The walk of a surface table's records (surface_record.h) in ascending byte
// order of their surfaces: what a canonical checksum of a map-form index
// reads.
//
// Records are in the order their payload listed them, mostly no order at
// all. The walk sorts keys, not records: the first eight bytes of each
// surface as a number (surface_order_prefix), which orders any two surfaces
// that differ within them, with the record's offset; only surfaces sharing
// all eight are compared in full. Keys can be noted by a loader as it adds
// the records, sparing the walk a pass over the whole table to find them.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace lumra::payload {

struct SurfaceOrderKey {
  std::uint64_t prefix;  // surface_order_prefix() of the record's surface
  std::uint64_t offset;  // of the record in its arena
};

// The first eight bytes of `surface` as a big-endian number, zero-padded.
// Where two prefixes differ they order the surfaces as their bytes do: the
// first differing byte decides, and a surface that ended there (padded with
// 0) is a prefix of the other. Equal prefixes decide nothing.
std::uint64_t surface_order_prefix(std::string_view surface);

// One key for each record of `arena`, in arena order.
std::vector<SurfaceOrderKey> gather_surface_order_keys(std::string_view arena,
                                                       std::uint64_t records);

using SurfaceVisitor =
    std::function<void(std::string_view surface, const std::vector<std::string_view>& readings)>;

// Sorts `keys`, one per record of `arena`, into the byte order of their
// records' surfaces.
void sort_surface_order_keys(std::string_view arena, std::vector<SurfaceOrderKey>& keys);

// Calls `visit(offset)` with the offset of every record of `sorted`, in its
// order. The records are spread over an arena larger than the caches, and
// fetching each only when it is visited would stall on every one, so the
// ones a little ahead are asked for while the current one is visited: both
// cache lines of a record that crosses into the next, which most records
// of a few dozen bytes do as often as not. Eight records ahead (a few
// hundred nanoseconds of writing them out) hides the fetches on a
// million-entry table; asking further ahead, or adding work to this loop,
// was measured to stall again.
template <class VisitRecord>
void visit_records(const char* data, const std::vector<SurfaceOrderKey>& sorted,
                   VisitRecord&& visit) {
  constexpr std::size_t kPrefetchAhead = 8;
  constexpr std::size_t kCacheLine = 64;
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    if (i + kPrefetchAhead < sorted.size()) {
      // A prefetch never faults, so the second may name an address past
      // the arena; it is computed as a number for that reason.
      const char* ahead = data + sorted[i + kPrefetchAhead].offset;
      __builtin_prefetch(ahead);
      __builtin_prefetch(
          reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(ahead) + kCacheLine - 1));
    }
    visit(sorted[i].offset);
  }
}

// Calls `visit` with every record of `arena`, surfaces in ascending byte
// order, readings in stored order. `keys` has one key per record, in any
// order (gather_surface_order_keys, or a loader that noted them as it
// appended the records); the walk sorts it in place.
void walk_in_surface_order(std::string_view arena, std::vector<SurfaceOrderKey> keys,
                           const SurfaceVisitor& visit);

}  // namespace lumra::payload
