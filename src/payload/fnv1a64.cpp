#include "payload/fnv1a64.h"

#include "payload/hex.h"

namespace lumra::payload {

std::string Fnv1a64::hex_digest() const { return lower_hex_u64(value_); }

}  // namespace lumra::payload
