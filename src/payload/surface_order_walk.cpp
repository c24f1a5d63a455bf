#include "payload/surface_order_walk.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <span>
#include <utility>

#include "payload/huge_pages.h"
#include "payload/surface_record.h"

namespace lumra::payload {

namespace {

using surface_record::readings_at;
using surface_record::skip_record;
using surface_record::surface_at;

// Ranges of at most this many keys are sorted by insertion.
constexpr std::size_t kInsertionKeys = 24;

// Sorts keys[0, n) by prefix in place.
void insertion_sort(SurfaceOrderKey* keys, std::size_t n) {
  for (std::size_t i = 1; i < n; ++i) {
    const SurfaceOrderKey key = keys[i];
    std::size_t j = i;
    for (; j > 0 && keys[j - 1].prefix > key.prefix; --j) keys[j] = keys[j - 1];
    keys[j] = key;
  }
}

// Sorts from[0, n) by prefix into to[0, n), inserting each key as it is
// copied.
void insertion_sort_into(const SurfaceOrderKey* from, std::size_t n, SurfaceOrderKey* to) {
  for (std::size_t i = 0; i < n; ++i) {
    const SurfaceOrderKey key = from[i];
    std::size_t j = i;
    for (; j > 0 && to[j - 1].prefix > key.prefix; --j) to[j] = to[j - 1];
    to[j] = key;
  }
}

// Sorts the n keys of `keys` by prefix, most significant bits first, with
// `other` (as long) for scratch; the result lands in `other` when
// `into_other`, else in `keys`. Each level deals the keys by the highest
// bits in which their prefixes differ, from one buffer into the other, so
// that every part then shares those bits too; the parts are sorted the same
// way back into the buffer the level came from. A level looks at up to
// eight bits, fewer for a small part: the buckets of a digit cost a pass of
// their own, which for a part of a few dozen keys would outweigh the keys.
// Surfaces that share their first eight bytes stay in any order among
// themselves.
void sort_by_prefix(SurfaceOrderKey* keys, SurfaceOrderKey* other, std::size_t n,
                    bool into_other) {
  if (n <= kInsertionKeys) {
    if (into_other) {
      insertion_sort_into(keys, n, other);
    } else {
      insertion_sort(keys, n);
    }
    return;
  }
  std::uint64_t any = 0;
  std::uint64_t all = ~std::uint64_t{0};
  for (std::size_t i = 0; i < n; ++i) {
    any |= keys[i].prefix;
    all &= keys[i].prefix;
  }
  const std::uint64_t varying = any ^ all;
  if (varying == 0) {
    if (into_other) std::copy(keys, keys + n, other);
    return;
  }
  // About one bucket for every two to four keys.
  const int bits = std::clamp(static_cast<int>(std::bit_width(n)) - 2, 3, 8);
  const int shift = std::max(0, static_cast<int>(std::bit_width(varying)) - bits);
  const std::uint64_t mask = (std::uint64_t{1} << bits) - 1;
  const auto digit = [shift, mask](const SurfaceOrderKey& key) {
    return key.prefix >> shift & mask;
  };
  // n is at most the entry limit of a payload, far below 2^32.
  std::array<std::uint32_t, 256> next;
  std::fill_n(next.begin(), mask + 1, 0);
  for (std::size_t i = 0; i < n; ++i) ++next[digit(keys[i])];
  std::array<std::uint32_t, 257> starts;
  std::uint32_t sum = 0;
  for (std::size_t d = 0; d <= mask; ++d) {
    starts[d] = sum;
    sum += next[d];
    next[d] = starts[d];
  }
  starts[mask + 1] = sum;
  for (std::size_t i = 0; i < n; ++i) other[next[digit(keys[i])]++] = keys[i];
  for (std::size_t d = 0; d <= mask; ++d) {
    const std::uint32_t start = starts[d];
    const std::uint32_t size = starts[d + 1] - start;
    if (size == 0) continue;
    if (size == 1) {
      if (!into_other) keys[start] = other[start];
      continue;
    }
    sort_by_prefix(other + start, keys + start, size, !into_other);
  }
}

// From this many keys on, the sort starts by dealing them by their first two
// bytes.
constexpr std::size_t kLeadSortKeys = 16384;

// The first two bytes of a prefix.
std::size_t lead_of(const SurfaceOrderKey& key) { return key.prefix >> 48; }

// Sorts the n keys of `keys` by prefix, with `other` (as long) for scratch,
// dealing them first by their first two bytes. A surface's first bytes are
// where its first character starts, so a payload's keys spread over these
// buckets by the character a surface starts with, and the buckets, now
// small enough for the cache, are sorted on their own. Taking the bytes
// where they stand sorts faster than a first digit taken from the bits in
// which the keys differ, which in UTF-8 start inside a character.
void sort_by_lead_then_prefix(SurfaceOrderKey* keys, SurfaceOrderKey* other, std::size_t n) {
  constexpr std::size_t kLeads = std::size_t{1} << 16;
  std::vector<std::uint32_t> next(kLeads);
  for (std::size_t i = 0; i < n; ++i) ++next[lead_of(keys[i])];
  std::uint32_t sum = 0;
  for (std::uint32_t& count : next) sum += std::exchange(count, sum);
  for (std::size_t i = 0; i < n; ++i) other[next[lead_of(keys[i])]++] = keys[i];
  // next[d] is now where the bucket of lead d ends.
  std::uint32_t start = 0;
  for (const std::uint32_t end : next) {
    if (end - start == 1) keys[start] = other[start];
    if (end - start > 1) sort_by_prefix(other + start, keys + start, end - start, true);
    start = end;
  }
}

// Sorts the keys of records in `data` into surface order: by prefix, then
// the runs that tie on it by their whole surfaces. Such runs are few, even
// among surfaces of two or three characters of three bytes each.
void sort_keys(const char* data, std::vector<SurfaceOrderKey>& keys) {
  {
    // Left uninitialised, so that the pages are first touched after the
    // advice.
    std::unique_ptr<SurfaceOrderKey[]> scratch(new SurfaceOrderKey[keys.size()]);
    advise_huge_pages(scratch.get(), keys.size() * sizeof(SurfaceOrderKey));
    if (keys.size() >= kLeadSortKeys) {
      sort_by_lead_then_prefix(keys.data(), scratch.get(), keys.size());
    } else {
      sort_by_prefix(keys.data(), scratch.get(), keys.size(), false);
    }
  }
  // string_view compares bytes as unsigned char: a prefix sorts first.
  const auto by_surface = [data](const SurfaceOrderKey& a, const SurfaceOrderKey& b) {
    return surface_at(data, a.offset) < surface_at(data, b.offset);
  };
  for (auto run = keys.begin(); run != keys.end();) {
    auto end = run + 1;
    while (end != keys.end() && end->prefix == run->prefix) ++end;
    if (end - run > 1) std::sort(run, end, by_surface);
    run = end;
  }
}

// Payloads written by our own tools come in surface order already; those
// need no sort.
bool in_surface_order(const char* data, std::span<const SurfaceOrderKey> keys) {
  for (std::size_t i = 1; i < keys.size(); ++i) {
    const SurfaceOrderKey& a = keys[i - 1];
    const SurfaceOrderKey& b = keys[i];
    if (a.prefix != b.prefix ? a.prefix > b.prefix
                             : surface_at(data, b.offset) < surface_at(data, a.offset)) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::uint64_t surface_order_prefix(std::string_view surface) {
  if (surface.size() >= 8) {
    std::uint64_t prefix;
    std::memcpy(&prefix, surface.data(), 8);
    if constexpr (std::endian::native == std::endian::little) prefix = __builtin_bswap64(prefix);
    return prefix;
  }
  std::uint64_t prefix = 0;
  for (std::size_t i = 0; i < surface.size(); ++i) {
    prefix |= std::uint64_t{static_cast<unsigned char>(surface[i])} << (56 - 8 * i);
  }
  return prefix;
}

std::vector<SurfaceOrderKey> gather_surface_order_keys(std::string_view arena,
                                                       std::uint64_t records) {
  std::vector<SurfaceOrderKey> keys;
  keys.reserve(records);
  advise_huge_pages(keys.data(), records * sizeof(SurfaceOrderKey));
  const char* data = arena.data();
  for (std::uint64_t offset = 0; offset < arena.size(); offset = skip_record(data, offset)) {
    keys.push_back({surface_order_prefix(surface_at(data, offset)), offset});
  }
  return keys;
}

void sort_surface_order_keys(std::string_view arena, std::vector<SurfaceOrderKey>& keys) {
  if (!in_surface_order(arena.data(), keys)) sort_keys(arena.data(), keys);
}

void walk_in_surface_order(std::string_view arena, std::vector<SurfaceOrderKey> keys,
                           const SurfaceVisitor& visit) {
  sort_surface_order_keys(arena, keys);
  const char* data = arena.data();
  std::vector<std::string_view> readings;
  visit_records(data, keys, [&](std::uint64_t offset) {
    readings_at(data, offset, readings);
    visit(surface_at(data, offset), readings);
  });
}

}  // namespace lumra::payload
