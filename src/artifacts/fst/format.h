// Constants and small helpers of the serialised FST map format, shared by
// the reader and the writer. FORMAT.md beside this file describes the format.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace lumra::fst {

// The newest format version; the writer always writes it, the reader also
// accepts the two before it.
inline constexpr std::uint64_t kFormatVersion = 3;
inline constexpr std::uint64_t kOldestFormatVersion = 1;

// Version and type tag. No node can start inside it, which frees the
// addresses 0 and 1 for the two sentinels below.
inline constexpr std::uint64_t kHeaderBytes = 16;

// The final state without transitions and with output 0. It is never
// written; transitions reach it through delta 0.
inline constexpr std::uint64_t kEmptyFinalAddress = 0;
// "No node yet", used only by the writer.
inline constexpr std::uint64_t kNoAddress = 1;

// Key count and root address; version 3 adds a 4-byte checksum.
inline constexpr std::uint64_t kFooterBytes = 16;
inline constexpr std::uint64_t kChecksumBytes = 4;

// Nodes with more transitions than this carry a 256-byte transition index
// (format version 2 and later).
inline constexpr std::size_t kIndexThreshold = 32;
inline constexpr std::size_t kIndexBytes = 256;

// State byte: the top two bits pick the encoding.
inline constexpr std::uint8_t kEncodingMask = 0b1100'0000;
inline constexpr std::uint8_t kOneTransitionNextBits = 0b1100'0000;
inline constexpr std::uint8_t kOneTransitionBits = 0b1000'0000;
inline constexpr std::uint8_t kFinalBit = 0b0100'0000;  // any-transitions form only
inline constexpr std::uint8_t kLowSixBits = 0b0011'1111;

// A transition count that does not fit the state byte's six bits is written
// in a byte of its own, where 1 (always small enough for the state byte)
// stands for 256.
inline constexpr std::uint8_t kCountByteFor256 = 1;

inline bool has_checksum(std::uint64_t version) { return version >= 3; }
inline std::uint64_t trailer_bytes(std::uint64_t version) {
  return kFooterBytes + (has_checksum(version) ? kChecksumBytes : 0);
}
inline bool has_transition_index(std::uint64_t version, std::size_t transitions) {
  return version >= 2 && transitions > kIndexThreshold;
}

// The one-transition encodings keep a frequent input byte inside the state
// byte: code k (1..63) stands for the k-th of 63 fixed bytes; 0 means the
// input is stored separately.
std::uint8_t common_input_code(std::uint8_t input);
// The bytes by code, most frequent first (it was tuned on URLs and words,
// hence the order); a lookup step reads it, so it is inline.
inline constexpr char kCommonInputs[] =
    "te/oasripcnw.hlm-du012g=:bf3y5&_4v9678k%?xCDASFIBEjPTzRNM+LOqHG";
static_assert(sizeof(kCommonInputs) == 63 + 1);
inline std::uint8_t common_input_byte(std::uint8_t code) {  // code in 1..63
  return static_cast<std::uint8_t>(kCommonInputs[code - 1]);
}

// The fewest bytes (1..8) that hold `value`; 0 takes one byte.
inline std::uint8_t packed_size(std::uint64_t value) {
  std::uint8_t size = 1;
  while (size < 8 && (value >> (8 * size)) != 0) ++size;
  return size;
}

// Little-endian unsigned integer of `size` bytes (0..8) at `bytes`.
inline std::uint64_t unpack(const std::uint8_t* bytes, std::size_t size) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < size; ++i) value |= std::uint64_t{bytes[i]} << (8 * i);
  return value;
}

// The same for a field that ends at `end` and has at least 8 readable bytes
// before `end`, as every node field has (the 16-byte header lies below all
// nodes): one unaligned load instead of a loop.
inline std::uint64_t unpack_before(const std::uint8_t* end, std::size_t size) {
  if (size == 0) return 0;
  std::uint64_t word;
  std::memcpy(&word, end - 8, 8);
  if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
  return word >> (64 - 8 * size);
}

}  // namespace lumra::fst
