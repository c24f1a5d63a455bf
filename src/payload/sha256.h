// Sha256: SHA-256 (FIPS 180-4) of bytes handed over piece by piece, so that
// a payload file or a canonical text is hashed without being held whole.
//
//   Sha256 hash;
//   hash.update(first_part);
//   hash.update(second_part);
//   std::string hex = hash.hex_digest();  // 64 lower-case hex digits
//
// libcrypto does the hashing; this class only owns its context.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace lumra::payload {

class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(Sha256&&) noexcept;
  Sha256& operator=(Sha256&&) noexcept;
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void update(std::string_view bytes);

  // The digest of everything updated so far, as 64 lower-case hexadecimal
  // digits. Ends the hash: later updates start a new one.
  std::string hex_digest();

 private:
  struct Context;
  std::unique_ptr<Context> context_;
};

}  // namespace lumra::payload
