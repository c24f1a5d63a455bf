#include "payload/canonical_digest.h"

namespace lumra::payload {

namespace {

std::variant<Sha256, Fnv1a64> make_hash(CanonicalHash hash) {
  if (hash == CanonicalHash::kFnv1a64) return Fnv1a64();
  return Sha256();
}

}  // namespace

CanonicalDigest::CanonicalDigest(CanonicalHash hash) : sink_{make_hash(hash)} {}

std::string CanonicalDigest::hex_digest() {
  writer_.flush();
  return std::visit([](auto& h) { return h.hex_digest(); }, sink_.hash);
}

}  // namespace lumra::payload
