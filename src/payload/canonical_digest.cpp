#include "payload/canonical_digest.h"

namespace lumra::payload {

CanonicalDigest::CanonicalDigest(CanonicalHash hash, BackgroundHashing threading) {
  // The hash is made in place: the threaded one cannot move.
  if (hash == CanonicalHash::kSha256) sink_.hash.emplace<BackgroundSha256>(threading);
}

std::string CanonicalDigest::hex_digest() {
  writer_.flush();
  return std::visit([](auto& h) { return h.hex_digest(); }, sink_.hash);
}

}  // namespace lumra::payload
