// The checksum that format version 3 appends to an FST: CRC-32C (the
// Castagnoli polynomial) of every byte before it, "masked" as the Snappy
// frame format does so that data holding its own checksum does not check
// out by accident. Readers are not required to verify it; the writer must
// get it right for tools that do.
#pragma once

#include <cstdint>
#include <span>

namespace lumra::fst {

// Plain CRC-32C of `bytes`, continuing from `crc` (0 to start).
std::uint32_t crc32c(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);

// The masked form stored in the file.
std::uint32_t masked_crc32c(std::span<const std::uint8_t> bytes);

}  // namespace lumra::fst
