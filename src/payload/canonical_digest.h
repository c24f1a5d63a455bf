// CanonicalDigest: the digest of a canonical text (canonical_text.h) that
// is written piece by piece, with the hash chosen when it starts.
//
// A loader that already walks every entry in canonical order can feed the
// walk to one of these instead of the caller walking the index again
// afterwards, which for a large index costs as much as the load's own walk:
//
//   CanonicalDigest digest(CanonicalHash::kSha256);
//   digest.text().line("lumra.example/v1");
//   digest.text().entry(surface, readings);   // for every entry, in order
//   std::string hex = digest.hex_digest();
//
// The text itself is never held whole; the writer hands it to the hash in
// chunks. SHA-256 of a long text is taken on a thread of its own
// (background_sha256.h), beside the walk that writes it; FNV-1a costs
// little beside the walk and stays inline.
#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "payload/background_sha256.h"
#include "payload/canonical_text.h"
#include "payload/fnv1a64.h"
#include "payload/sha256.h"

namespace lumra::payload {

enum class CanonicalHash { kSha256, kFnv1a64 };

class CanonicalDigest {
 public:
  // Either hash behind one update(); the choice is made once per chunk of
  // the writer, not per piece of the text.
  struct HashSink {
    // Fnv1a64 first: the one that is cheap to make before the choice.
    std::variant<Fnv1a64, BackgroundSha256> hash;
    void update(std::string_view bytes) {
      std::visit([bytes](auto& h) { h.update(bytes); }, hash);
    }
  };

  explicit CanonicalDigest(CanonicalHash hash, BackgroundHashing threading = {});
  // The writer refers to the sink beside it.
  CanonicalDigest(const CanonicalDigest&) = delete;
  CanonicalDigest& operator=(const CanonicalDigest&) = delete;

  CanonicalTextWriter<HashSink>& text() { return writer_; }

  // The digest of everything written, in lower-case hexadecimal: 64 digits
  // for SHA-256, 16 (zero-padded) for FNV-1a 64. Ends the text.
  std::string hex_digest();

 private:
  HashSink sink_;
  CanonicalTextWriter<HashSink> writer_{sink_};
};

}  // namespace lumra::payload
