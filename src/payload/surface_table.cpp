#include "payload/surface_table.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <new>
#include <stdexcept>
#include <utility>

#include "payload/huge_pages.h"
#include "payload/surface_record.h"

namespace lumra::payload {

namespace {

using surface_record::append_varint;
using surface_record::read_varint;

// A slot: the entry's arena offset plus one in the low 48 bits (so that 0
// means empty), and the top 16 bits of the surface hash above them. The
// payload limits keep every arena far below 2^48 bytes.
constexpr int kOffsetBits = 48;
constexpr std::uint64_t kOffsetMask = (std::uint64_t{1} << kOffsetBits) - 1;

std::uint64_t hash_of(std::string_view surface) {
  return std::hash<std::string_view>{}(surface);
}
std::uint64_t tag_of(std::uint64_t hash) { return hash >> kOffsetBits << kOffsetBits; }
std::uint64_t make_slot(std::uint64_t hash, std::uint64_t offset) {
  return tag_of(hash) | (offset + 1);
}
std::uint64_t slot_offset(std::uint64_t slot) { return (slot & kOffsetMask) - 1; }

// Probing stops at a free slot; a table at most three quarters full always
// has one.
bool over_load(std::uint64_t entries, std::uint64_t capacity) {
  return entries * 4 > capacity * 3;
}

std::uint64_t slot_capacity(std::uint64_t entries) {
  std::uint64_t capacity = std::max<std::uint64_t>(16, std::bit_ceil(entries));
  return over_load(entries, capacity) ? capacity * 2 : capacity;
}

}  // namespace

std::string_view SurfaceTable::surface_at(std::uint64_t offset) const {
  return surface_record::surface_at(arena_.data(), offset);
}

void SurfaceTable::readings_at(std::uint64_t offset,
                               std::vector<std::string_view>& readings) const {
  surface_record::readings_at(arena_.data(), offset, readings);
}

bool SurfaceTable::find(std::string_view surface, std::vector<std::string_view>& readings) const {
  readings.clear();
  if (slots_.empty()) return false;
  std::uint64_t hash = hash_of(surface);
  std::uint64_t mask = slots_.size() - 1;
  for (std::uint64_t i = hash & mask;; i = (i + 1) & mask) {
    std::uint64_t slot = slots_[i];
    if (slot == 0) return false;
    if (tag_of(slot) == tag_of(hash) && surface_at(slot_offset(slot)) == surface) {
      readings_at(slot_offset(slot), readings);
      return true;
    }
  }
}

void SurfaceTable::reserve(std::uint64_t entries, std::uint64_t text_bytes) {
  if (text_bytes > arena_.capacity()) {
    // The text size is a hint (a loader's file size, mostly keys, comments
    // or padding): where the address space cannot hold it, the arena grows
    // with what is actually added instead, so that a payload that loads
    // without the hint still loads with it.
    try {
      arena_.reserve(text_bytes);
      advise_huge_pages(arena_.data(), arena_.capacity());
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
  }
  // Only the allocation: index() sizes the table from the real count.
  slots_.reserve(slot_capacity(entries));
}

void SurfaceTable::release() {
  arena_ = std::string();
  slots_ = std::vector<std::uint64_t>();
  count_ = 0;
}

void SurfaceTable::append(std::string_view surface, std::span<const std::string_view> readings) {
  append_varint(arena_, surface.size());
  arena_ += surface;
  append_varint(arena_, readings.size());
  for (std::string_view reading : readings) {
    append_varint(arena_, reading.size());
    arena_ += reading;
  }
  ++count_;
}

std::optional<std::uint64_t> SurfaceTable::index() {
  slots_.assign(slot_capacity(count_), 0);
  const std::uint64_t mask = slots_.size() - 1;
  const char* data = arena_.data();
  // Entries are hashed a batch ahead of their insertion, with their slots
  // prefetched, so that the misses of a batch overlap instead of each
  // stalling in turn. Insertion keeps the arena's order, which decides
  // which of two equal surfaces is the duplicate.
  constexpr std::size_t kBatch = 16;
  struct Pending {
    std::uint64_t entry;
    std::uint64_t hash;
  };
  std::array<Pending, kBatch> batch;
  std::uint64_t offset = 0;
  while (offset < arena_.size()) {
    std::size_t pending = 0;
    for (; pending < kBatch && offset < arena_.size(); ++pending) {
      std::uint64_t entry = offset;
      std::uint64_t surface_length = read_varint(data, offset);
      std::uint64_t hash = hash_of({data + offset, surface_length});
      __builtin_prefetch(&slots_[hash & mask], 1);
      offset = surface_record::skip_record(data, entry);
      batch[pending] = {entry, hash};
    }
    for (std::size_t b = 0; b < pending; ++b) {
      const auto [entry, hash] = batch[b];
      std::uint64_t i = hash & mask;
      for (; slots_[i] != 0; i = (i + 1) & mask) {
        std::uint64_t slot = slots_[i];
        if (tag_of(slot) == tag_of(hash) && surface_at(slot_offset(slot)) == surface_at(entry)) {
          return entry;
        }
      }
      slots_[i] = make_slot(hash, entry);
    }
  }
  return std::nullopt;
}

void SurfaceTable::truncate(std::uint64_t offset) {
  std::uint64_t kept = 0;
  for (std::uint64_t at = 0; at < offset; ++kept) at = surface_record::skip_record(arena_.data(), at);
  arena_.resize(offset);
  count_ = kept;
}

void SurfaceTable::for_each_in_insertion_order(const EntryVisitor& visit) const {
  std::vector<std::string_view> readings;
  for (std::uint64_t offset = 0; offset < arena_.size();) {
    std::string_view surface = surface_at(offset);
    readings_at(offset, readings);
    visit(surface, readings);
    offset = static_cast<std::uint64_t>(readings.back().data() + readings.back().size() -
                                        arena_.data());
  }
}

void SurfaceTable::for_each_in_surface_order(const EntryVisitor& visit) const {
  walk_in_surface_order(arena_, gather_surface_order_keys(arena_, count_), visit);
}

void SurfaceTable::for_each_in_surface_order(const EntryVisitor& visit,
                                             std::vector<SurfaceOrderKey> keys) const {
  if (keys.size() != count_) {
    // Keys of another table, or of a build that failed: a caller's mistake.
    assert(false);
    keys = gather_surface_order_keys(arena_, count_);
  }
  walk_in_surface_order(arena_, std::move(keys), visit);
}

}  // namespace lumra::payload
