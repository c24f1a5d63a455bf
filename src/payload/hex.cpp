#include "payload/hex.h"

namespace lumra::payload {

namespace {
constexpr char kDigits[] = "0123456789abcdef";
}

std::string lower_hex(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char byte : bytes) {
    out.push_back(kDigits[byte >> 4]);
    out.push_back(kDigits[byte & 0xF]);
  }
  return out;
}

std::string lower_hex_u64(std::uint64_t value) {
  std::string out(16, '0');
  for (int i = 15; i >= 0; --i, value >>= 4) out[i] = kDigits[value & 0xF];
  return out;
}

}  // namespace lumra::payload
