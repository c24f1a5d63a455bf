#include "artifacts/fst/crc32c.h"

#include <array>

namespace lumra::fst {
namespace {

// Reflected form of the Castagnoli polynomial 0x1EDC6F41.
constexpr std::uint32_t kPolynomial = 0x82F63B78;
constexpr std::uint32_t kMaskDelta = 0xA282EAD8;

constexpr std::array<std::uint32_t, 256> make_table() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t byte = 0; byte < 256; ++byte) {
    std::uint32_t crc = byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ ((crc & 1) ? kPolynomial : 0);
    table[byte] = crc;
  }
  return table;
}
constexpr std::array<std::uint32_t, 256> kTable = make_table();

}  // namespace

std::uint32_t crc32c(std::span<const std::uint8_t> bytes, std::uint32_t crc) {
  crc = ~crc;
  for (std::uint8_t byte : bytes) crc = kTable[(crc ^ byte) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

std::uint32_t masked_crc32c(std::span<const std::uint8_t> bytes) {
  const std::uint32_t crc = crc32c(bytes);
  return ((crc >> 15) | (crc << 17)) + kMaskDelta;
}

}  // namespace lumra::fst
