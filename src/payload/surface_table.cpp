#include "payload/surface_table.h"

#include <algorithm>
#include <array>
#include <utility>
#include <bit>
#include <new>
#include <stdexcept>

namespace lumra::payload {

namespace {

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

void append_varint(std::string& out, std::uint64_t value) {
  while (value >= 0x80) {
    out += static_cast<char>(0x80 | (value & 0x7F));
    value >>= 7;
  }
  out += static_cast<char>(value);
}

std::uint64_t read_varint(const char* data, std::uint64_t& at) {
  std::uint64_t value = 0;
  for (int shift = 0;; shift += 7) {
    auto byte = static_cast<unsigned char>(data[at++]);
    value |= std::uint64_t{byte & 0x7Fu} << shift;
    if (byte < 0x80) return value;
  }
}

// The first eight bytes of `surface` as a big-endian number, zero-padded.
// Where two prefixes differ they order the surfaces as their bytes do: the
// first differing byte decides, and a surface that ended there (padded with
// 0) is a prefix of the other. Equal prefixes decide nothing.
std::uint64_t order_prefix(std::string_view surface) {
  std::uint64_t prefix = 0;
  for (std::size_t i = 0; i < 8; ++i) {
    prefix = prefix << 8 | (i < surface.size() ? static_cast<unsigned char>(surface[i]) : 0u);
  }
  return prefix;
}

struct PrefixedEntry {
  std::uint64_t prefix;  // order_prefix() of the surface
  std::uint64_t offset;  // of the entry in the arena
};

// Sorts `entries` by prefix, a byte at a time from the least significant,
// each pass stable: a fixed number of sequential passes instead of the
// comparisons of a general sort. A byte that every prefix shares is
// skipped, which for surfaces of one script is most of the high ones.
void sort_by_prefix(std::vector<PrefixedEntry>& entries) {
  std::vector<std::array<std::uint64_t, 256>> counts(8);
  for (auto& bytes : counts) bytes.fill(0);
  for (const PrefixedEntry& entry : entries) {
    for (int b = 0; b < 8; ++b) ++counts[b][entry.prefix >> (8 * b) & 0xFF];
  }
  std::vector<PrefixedEntry> scratch(entries.size());
  for (int b = 0; b < 8; ++b) {
    std::array<std::uint64_t, 256>& starts = counts[b];
    if (std::find(starts.begin(), starts.end(), entries.size()) != starts.end()) continue;
    std::uint64_t next = 0;
    for (std::uint64_t& start : starts) next += std::exchange(start, next);
    for (const PrefixedEntry& entry : entries) {
      scratch[starts[entry.prefix >> (8 * b) & 0xFF]++] = entry;
    }
    entries.swap(scratch);
  }
}

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
  std::uint64_t length = read_varint(arena_.data(), offset);
  return {arena_.data() + offset, length};
}

void SurfaceTable::readings_at(std::uint64_t offset,
                               std::vector<std::string_view>& readings) const {
  const char* data = arena_.data();
  offset += read_varint(data, offset);  // past the surface
  std::uint64_t count = read_varint(data, offset);
  readings.clear();
  for (std::uint64_t i = 0; i < count; ++i) {
    std::uint64_t length = read_varint(data, offset);
    readings.emplace_back(data + offset, length);
    offset += length;
  }
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
      offset += surface_length;
      for (std::uint64_t count = read_varint(data, offset); count > 0; --count) {
        offset += read_varint(data, offset);
      }
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
  for (std::uint64_t at = 0; at < offset; ++kept) {
    at += read_varint(arena_.data(), at);
    for (std::uint64_t count = read_varint(arena_.data(), at); count > 0; --count) {
      at += read_varint(arena_.data(), at);
    }
  }
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
  // Sorting offsets by the surfaces they point to costs a cache miss or two
  // per comparison, which dominated the walk of a large table. The first
  // eight bytes of each surface travel with its offset instead, so that the
  // entries are ordered by those alone (sort_by_prefix), and the arena is
  // read only to order the few that tie on them.
  using Keyed = PrefixedEntry;
  // string_view compares bytes as unsigned char: a prefix sorts first.
  const auto before = [this](const Keyed& a, const Keyed& b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    return surface_at(a.offset) < surface_at(b.offset);
  };
  std::vector<Keyed> order;
  order.reserve(count_);
  // Payloads written by our own tools come in surface order already; the
  // pass that gathers the keys notices, and the sort is skipped.
  bool sorted = true;
  const char* data = arena_.data();
  for (std::uint64_t offset = 0; offset < arena_.size();) {
    std::uint64_t entry = offset;
    std::uint64_t surface_length = read_varint(data, offset);
    order.push_back({order_prefix({data + offset, surface_length}), entry});
    if (sorted && order.size() > 1) sorted = before(order[order.size() - 2], order.back());
    offset += surface_length;
    for (std::uint64_t count = read_varint(data, offset); count > 0; --count) {
      offset += read_varint(data, offset);
    }
  }
  if (!sorted) {
    sort_by_prefix(order);
    // Surfaces that share their first eight bytes are ordered by the rest.
    for (auto run = order.begin(); run != order.end();) {
      auto end = run + 1;
      while (end != order.end() && end->prefix == run->prefix) ++end;
      if (end - run > 1) std::sort(run, end, before);
      run = end;
    }
  }
  // In sorted order the entries are all over the arena: each one fetched
  // only when it is visited would stall the walk on every entry, so the
  // ones a little ahead are asked for while the current one is written.
  constexpr std::size_t kPrefetchAhead = 16;
  std::vector<std::string_view> readings;
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (i + kPrefetchAhead < order.size()) {
      __builtin_prefetch(data + order[i + kPrefetchAhead].offset);
    }
    readings_at(order[i].offset, readings);
    visit(surface_at(order[i].offset), readings);
  }
}

}  // namespace lumra::payload
