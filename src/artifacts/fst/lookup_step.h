// One step of a lookup: taking a node's transition on one input byte, and
// reading a node's final output, straight from the bytes.
//
// A lookup takes one step per key byte, so each step decodes only what it
// needs, with no bounds checks: it trusts the sizes it reads, and may only be
// used on nodes that FstMap::open() validated, that is, on nodes reached from
// the root by earlier steps. The layout is the one Node::read() decodes
// (FORMAT.md).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "artifacts/fst/format.h"

namespace lumra::fst {

// What a step needs to know about the whole map.
struct LookupContext {
  const std::uint8_t* data;  // the map's bytes, from offset 0
  // Nodes with more transitions carry a 256-byte transition index; none do
  // in format version 1.
  std::size_t index_threshold;
};

inline LookupContext lookup_context(const std::uint8_t* data, std::uint64_t version) {
  return {data, version >= 2 ? kIndexThreshold : std::size_t{256}};
}

namespace lookup_internal {

inline constexpr std::uint64_t kOnes = 0x0101010101010101;
inline constexpr std::uint64_t kHighBits = 0x8080808080808080;

// The eight bytes ending at `end`, the byte at end - 1 most significant.
inline std::uint64_t word_ending_at(const std::uint8_t* end) {
  std::uint64_t word;
  std::memcpy(&word, end - 8, 8);
  if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
  return word;
}

// Where `input` is among the `count` (1 to 8) distinct bytes from `inputs`
// on, or -1. The word read ends at the last input; the bytes below the
// inputs are readable, as every node lies above the 16-byte header, but are
// none of them, so they are made non-zero first. In the word of the bytes
// xor `input`, the lowest zero byte is then exactly the match: the borrows
// that make the zero-byte test inexact only run upwards from a zero byte.
inline std::ptrdiff_t find_in_word(const std::uint8_t* inputs, std::size_t count,
                                   std::uint8_t input) {
  const std::size_t others = 8 - count;
  std::uint64_t word = word_ending_at(inputs + count) ^ (kOnes * input);
  if (others != 0) word |= kOnes & ((std::uint64_t{1} << (8 * others)) - 1);
  const std::uint64_t zero = (word - kOnes) & ~word & kHighBits;
  if (zero == 0) return -1;
  return static_cast<std::ptrdiff_t>(std::countr_zero(zero) / 8) -
         static_cast<std::ptrdiff_t>(others);
}

// The same for any count up to 256.
inline std::ptrdiff_t find_input(const std::uint8_t* inputs, std::size_t count,
                                 std::uint8_t input) {
  if (count == 0) return -1;
  if (count <= 8) return find_in_word(inputs, count, input);
  const void* hit = std::memchr(inputs, input, count);
  if (hit == nullptr) return -1;
  return static_cast<const std::uint8_t*>(hit) - inputs;
}

inline std::uint8_t single_input(const std::uint8_t* data, std::uint64_t address,
                                 std::uint8_t code) {
  return code != 0 ? common_input_byte(code) : data[address - 1];
}

}  // namespace lookup_internal

// Takes the transition for `input` out of the node at `address` (not the
// empty final state), adding its output to `value` (modulo 2^64) and moving
// `address` to its target. False when the node has none.
inline bool follow(const LookupContext& map, std::uint64_t& address, std::uint8_t input,
                   std::uint64_t& value) {
  using namespace lookup_internal;
  const std::uint8_t* data = map.data;
  const std::uint8_t state = data[address];
  const std::uint8_t low = state & kLowSixBits;
  if ((state & kEncodingMask) == kOneTransitionNextBits) {
    if (single_input(data, address, low) != input) return false;
    address -= low != 0 ? 1 : 2;  // the node written just before
    return true;
  }
  std::uint64_t start;
  std::uint64_t delta;
  if ((state & kEncodingMask) == kOneTransitionBits) {
    if (single_input(data, address, low) != input) return false;
    const std::uint64_t sizes_at = address - (low != 0 ? 1 : 2);
    const std::uint8_t delta_size = data[sizes_at] >> 4;
    const std::uint8_t output_size = data[sizes_at] & 0x0F;
    const std::uint64_t deltas = sizes_at - delta_size;
    delta = unpack_before(data + sizes_at, delta_size);
    value += unpack_before(data + deltas, output_size);
    start = deltas - output_size;
  } else {
    std::size_t count = low;
    std::uint64_t sizes_at = address - 1;
    if (low == 0) {
      count = data[sizes_at] == kCountByteFor256 ? 256 : data[sizes_at];
      --sizes_at;
    }
    const std::uint8_t delta_size = data[sizes_at] >> 4;
    const std::uint8_t output_size = data[sizes_at] & 0x0F;
    std::ptrdiff_t slot;  // position in the arrays, which run last transition first
    std::uint64_t inputs;
    if (count > map.index_threshold) {
      inputs = sizes_at - kIndexBytes - count;
      // The index sends the step to arrays a few cache lines below it: they
      // are asked for now, so that their misses overlap the index's own.
      const std::uint8_t* arrays_end = data + inputs;
      const std::uint8_t* arrays_begin = arrays_end - count * (delta_size + output_size);
      for (const std::uint8_t* line = arrays_end; line > arrays_begin; line -= 64) {
        __builtin_prefetch(line - 1);
      }
      const std::size_t i = data[sizes_at - kIndexBytes + input];
      if (i >= count) return false;
      slot = static_cast<std::ptrdiff_t>(count - 1 - i);
    } else {
      inputs = sizes_at - count;
      slot = find_input(data + inputs, count, input);
      if (slot < 0) return false;
    }
    const std::uint64_t deltas = inputs - count * delta_size;
    const auto next_slot = static_cast<std::uint64_t>(slot + 1);
    delta = unpack_before(data + deltas + next_slot * delta_size, delta_size);
    const std::uint64_t outputs = deltas - count * output_size;
    value += unpack_before(data + outputs + next_slot * output_size, output_size);
    start = outputs - ((state & kFinalBit) != 0 ? output_size : 0);
  }
  address = delta == 0 ? kEmptyFinalAddress : start - delta;
  return true;
}

// Whether the node at `address` is final, adding its final output to
// `value` when it is.
inline bool finish(const LookupContext& map, std::uint64_t address, std::uint64_t& value) {
  if (address == kEmptyFinalAddress) return true;
  const std::uint8_t* data = map.data;
  const std::uint8_t state = data[address];
  // The one-transition encodings (top bit set) are never final.
  if ((state & 0x80) != 0 || (state & kFinalBit) == 0) return false;
  std::size_t count = state & kLowSixBits;
  std::uint64_t sizes_at = address - 1;
  if (count == 0) {
    count = data[sizes_at] == kCountByteFor256 ? 256 : data[sizes_at];
    --sizes_at;
  }
  const std::uint8_t delta_size = data[sizes_at] >> 4;
  const std::uint8_t output_size = data[sizes_at] & 0x0F;
  if (output_size == 0) return true;
  const std::uint64_t arrays = count * (1u + delta_size + output_size) +
                               (count > map.index_threshold ? kIndexBytes : 0);
  // The final output is the node's first field, right below its arrays.
  value += unpack_before(data + sizes_at - arrays, output_size);
  return true;
}

}  // namespace lumra::fst
