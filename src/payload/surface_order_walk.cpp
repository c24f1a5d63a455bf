#include "payload/surface_order_walk.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <optional>
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

using Keys = std::span<SurfaceOrderKey>;

void insertion_sort_by_prefix(Keys keys) {
  for (std::size_t i = 1; i < keys.size(); ++i) {
    const SurfaceOrderKey key = keys[i];
    std::size_t j = i;
    for (; j > 0 && keys[j - 1].prefix > key.prefix; --j) keys[j] = keys[j - 1];
    keys[j] = key;
  }
}

// Where each part of a partition begins: part d runs from starts[d] to
// starts[d + 1].
using PartStarts = std::array<std::size_t, 257>;

// Deals the keys of `from` into `to` by the eight highest bits in which
// their prefixes differ, parts in ascending order of those bits, and gives
// where the parts begin; within a part the keys then differ only in lower
// bits. Gives nothing, and writes nothing, when all the prefixes are equal.
std::optional<PartStarts> partition(Keys from, Keys to) {
  std::uint64_t any = 0;
  std::uint64_t all = ~std::uint64_t{0};
  for (const SurfaceOrderKey& key : from) {
    any |= key.prefix;
    all &= key.prefix;
  }
  const std::uint64_t varying = any ^ all;
  if (varying == 0) return std::nullopt;
  const int shift = std::max(0, static_cast<int>(std::bit_width(varying)) - 8);
  const auto digit = [shift](const SurfaceOrderKey& key) { return key.prefix >> shift & 0xFF; };
  PartStarts starts{};
  for (const SurfaceOrderKey& key : from) ++starts[digit(key) + 1];
  for (std::size_t d = 1; d < starts.size(); ++d) starts[d] += starts[d - 1];
  std::array<std::size_t, 256> next;
  std::copy(starts.begin(), starts.end() - 1, next.begin());
  for (const SurfaceOrderKey& key : from) to[next[digit(key)]++] = key;
  return starts;
}

// Sorting by prefix, most significant bits first: each partition narrows
// the keys to ranges that share eight more bits, and after the first pass
// or two over the whole set the ranges fit in the cache. The keys move
// between the two buffers at every level instead of being copied back.
void sort_into(Keys from, Keys to);

// Sorts `keys` by prefix, using `scratch`, which is as long.
void sort_in_place(Keys keys, Keys scratch) {
  if (keys.size() <= kInsertionKeys) {
    insertion_sort_by_prefix(keys);
    return;
  }
  const std::optional<PartStarts> starts = partition(keys, scratch);
  if (!starts) return;
  for (std::size_t d = 0; d < 256; ++d) {
    const std::size_t size = (*starts)[d + 1] - (*starts)[d];
    sort_into(scratch.subspan((*starts)[d], size), keys.subspan((*starts)[d], size));
  }
}

// Sorts the keys of `from` by prefix into `to`, which is as long; `from`
// is left in any order.
void sort_into(Keys from, Keys to) {
  if (from.size() <= kInsertionKeys) {
    std::copy(from.begin(), from.end(), to.begin());
    insertion_sort_by_prefix(to);
    return;
  }
  const std::optional<PartStarts> starts = partition(from, to);
  if (!starts) {
    std::copy(from.begin(), from.end(), to.begin());
    return;
  }
  for (std::size_t d = 0; d < 256; ++d) {
    const std::size_t size = (*starts)[d + 1] - (*starts)[d];
    sort_in_place(to.subspan((*starts)[d], size), from.subspan((*starts)[d], size));
  }
}

// string_view compares bytes as unsigned char: a prefix sorts first.
bool before(const char* data, const SurfaceOrderKey& a, const SurfaceOrderKey& b) {
  if (a.prefix != b.prefix) return a.prefix < b.prefix;
  return surface_at(data, a.offset) < surface_at(data, b.offset);
}

// Sorts the keys of records in `data` into surface order: by prefix, then
// the runs that tie on it by their whole surfaces.
void sort_keys(const char* data, std::vector<SurfaceOrderKey>& keys) {
  {
    // Left uninitialised, so that the pages are first touched after the
    // advice.
    std::unique_ptr<SurfaceOrderKey[]> scratch(new SurfaceOrderKey[keys.size()]);
    advise_huge_pages(scratch.get(), keys.size() * sizeof(SurfaceOrderKey));
    sort_in_place(keys, Keys(scratch.get(), keys.size()));
  }
  const auto by_surface = [data](const SurfaceOrderKey& a, const SurfaceOrderKey& b) {
    return before(data, a, b);
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
    if (!before(data, keys[i - 1], keys[i])) return false;
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
