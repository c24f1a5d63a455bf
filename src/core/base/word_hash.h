// A hash of a run of 64-bit words, for the hash tables that intern node
// signatures (sequences of symbols and state numbers packed into words).
#pragma once

#include <cstdint>
#include <span>

namespace lumra {

inline std::uint64_t hash_words(std::span<const std::uint64_t> words) {
  std::uint64_t h = 0x9E3779B97F4A7C15ULL ^ words.size();
  for (std::uint64_t w : words) {
    h ^= w + 0x9E3779B97F4A7C15ULL + (h << 6) + (h >> 2);
    h *= 0xBF58476D1CE4E5B9ULL;
  }
  return h ^ (h >> 31);
}

}  // namespace lumra
