// Fnv1a64: the 64-bit FNV-1a hash of bytes handed over piece by piece, with
// the same interface as Sha256 so that either can consume a canonical text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lumra::payload {

class Fnv1a64 {
 public:
  static constexpr std::uint64_t kOffsetBasis = 14695981039346656037ull;
  static constexpr std::uint64_t kPrime = 1099511628211ull;

  void update(std::string_view bytes) {
    for (unsigned char byte : bytes) {
      value_ ^= byte;
      value_ *= kPrime;  // unsigned: wraps modulo 2^64 as the algorithm asks
    }
  }
  std::uint64_t value() const { return value_; }
  // The value as 16 lower-case hexadecimal digits, zero-padded.
  std::string hex_digest() const;

 private:
  std::uint64_t value_ = kOffsetBasis;
};

}  // namespace lumra::payload
