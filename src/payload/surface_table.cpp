#include "payload/surface_table.h"

#include <algorithm>
#include <bit>

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

// Probing stops at a free slot; a table at most three quarters full always
// has one.
bool over_load(std::uint64_t entries, std::uint64_t capacity) {
  return entries * 4 > capacity * 3;
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

void SurfaceTable::grow_slots(std::uint64_t capacity) {
  std::vector<std::uint64_t> old = std::move(slots_);
  slots_.assign(capacity, 0);
  std::uint64_t mask = capacity - 1;
  for (std::uint64_t slot : old) {
    if (slot == 0) continue;
    std::uint64_t i = hash_of(surface_at(slot_offset(slot))) & mask;
    while (slots_[i] != 0) i = (i + 1) & mask;
    slots_[i] = slot;
  }
}

void SurfaceTable::reserve(std::uint64_t entries) {
  std::uint64_t capacity = std::max<std::uint64_t>(16, std::bit_ceil(entries));
  if (over_load(entries, capacity)) capacity *= 2;
  if (capacity > slots_.size()) grow_slots(capacity);
}

void SurfaceTable::release() {
  arena_ = std::string();
  slots_ = std::vector<std::uint64_t>();
  count_ = 0;
}

bool SurfaceTable::insert(std::string_view surface, std::span<const std::string_view> readings) {
  if (slots_.empty() || over_load(count_ + 1, slots_.size())) {
    grow_slots(std::max<std::uint64_t>(16, slots_.size() * 2));
  }
  std::uint64_t hash = hash_of(surface);
  std::uint64_t mask = slots_.size() - 1;
  std::uint64_t i = hash & mask;
  for (; slots_[i] != 0; i = (i + 1) & mask) {
    std::uint64_t slot = slots_[i];
    if (tag_of(slot) == tag_of(hash) && surface_at(slot_offset(slot)) == surface) return false;
  }
  std::uint64_t offset = arena_.size();
  append_varint(arena_, surface.size());
  arena_ += surface;
  append_varint(arena_, readings.size());
  for (std::string_view reading : readings) {
    append_varint(arena_, reading.size());
    arena_ += reading;
  }
  slots_[i] = make_slot(hash, offset);
  ++count_;
  return true;
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
  std::vector<std::uint64_t> offsets;
  offsets.reserve(count_);
  for (std::uint64_t slot : slots_) {
    if (slot != 0) offsets.push_back(slot_offset(slot));
  }
  // string_view compares bytes as unsigned char: a prefix sorts first.
  std::sort(offsets.begin(), offsets.end(), [this](std::uint64_t a, std::uint64_t b) {
    return surface_at(a) < surface_at(b);
  });
  std::vector<std::string_view> readings;
  for (std::uint64_t offset : offsets) {
    readings_at(offset, readings);
    visit(surface_at(offset), readings);
  }
}

}  // namespace lumra::payload
