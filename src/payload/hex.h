// Lower-case hexadecimal, as digests and checksums are written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lumra::payload {

// Two digits per byte, high nibble first.
std::string lower_hex(std::string_view bytes);

// The 16 digits of `value`, most significant first, leading zeros kept.
std::string lower_hex_u64(std::uint64_t value);

}  // namespace lumra::payload
