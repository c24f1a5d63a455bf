// Random symbol sequences for the differential tests of the string kernels.
//
// Pairs come from a fixed seed, so a failure reproduces. Lengths favour the
// word boundaries of the bit-parallel kernels (63/64/65, 127/128/129, ...),
// and "related" pairs are one text and a lightly edited copy of it, so that
// distances stay small next to long texts and tight bounds are exercised
// with long patterns, where the banded kernels skip most words.
#pragma once

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/base/symbols.h"

namespace lumra::testing {

struct Alphabet {
  const char* name;
  std::vector<Symbol> symbols;  // empty: any value up to 0x10FFFF
};

inline const std::vector<Alphabet>& test_alphabets() {
  static const std::vector<Alphabet> alphabets{
      {"binary", {'a', 'b'}},
      {"four", {'a', 'b', 'c', 'd'}},
      {"kana", {0x3042, 0x3044, 0x3046, 0x304B}},
      {"astral", {0x1F600, 0x1F601, 0x20000, 0x10FFFF}},
      {"mixed", {0, 'a', 0xFF, 0x100, 0x3042, 0x10FFFF}},
      {"any", {}},
  };
  return alphabets;
}

class TextGenerator {
 public:
  explicit TextGenerator(std::uint64_t seed) : rng_(seed) {}

  std::size_t below(std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_);
  }

  // A length in [0, max_length], often next to a multiple of 64.
  std::size_t length(std::size_t max_length) {
    if (max_length >= 63 && below(3) == 0) {
      const std::size_t word_boundaries = max_length / 64;
      if (word_boundaries > 0) {
        const std::size_t near = 64 * (1 + below(word_boundaries));
        const std::size_t chosen = near - 1 + below(3);
        if (chosen <= max_length) return chosen;
      }
    }
    return below(max_length + 1);
  }

  Symbol symbol(const Alphabet& alphabet) {
    if (alphabet.symbols.empty()) return static_cast<Symbol>(below(0x110000));
    return alphabet.symbols[below(alphabet.symbols.size())];
  }

  std::vector<Symbol> text(const Alphabet& alphabet, std::size_t length) {
    std::vector<Symbol> out(length);
    for (Symbol& s : out) s = symbol(alphabet);
    return out;
  }

  // A copy of `base` after up to `max_edits` random insertions, deletions,
  // substitutions and swaps of adjacent symbols.
  std::vector<Symbol> edited(const std::vector<Symbol>& base, const Alphabet& alphabet,
                             std::size_t max_edits) {
    std::vector<Symbol> out = base;
    const std::size_t edits = below(max_edits + 1);
    for (std::size_t e = 0; e < edits; ++e) {
      const std::size_t kind = below(4);
      if (kind == 0 || out.empty()) {
        out.insert(out.begin() + static_cast<std::ptrdiff_t>(below(out.size() + 1)),
                   symbol(alphabet));
      } else if (kind == 1) {
        out.erase(out.begin() + static_cast<std::ptrdiff_t>(below(out.size())));
      } else if (kind == 2) {
        out[below(out.size())] = symbol(alphabet);
      } else if (out.size() >= 2) {
        const std::size_t at = below(out.size() - 1);
        std::swap(out[at], out[at + 1]);
      }
    }
    return out;
  }

  std::pair<std::vector<Symbol>, std::vector<Symbol>> pair(const Alphabet& alphabet,
                                                           std::size_t max_length, bool related) {
    std::vector<Symbol> left = text(alphabet, length(max_length));
    if (related) return {left, edited(left, alphabet, 12)};
    return {std::move(left), text(alphabet, length(max_length))};
  }

 private:
  std::mt19937_64 rng_;
};

// "[61 62 3042]": for failure messages.
inline std::string describe(const std::vector<Symbol>& text) {
  std::string out = "[";
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (i) out += ' ';
    char hex[16];
    std::snprintf(hex, sizeof(hex), "%x", static_cast<unsigned>(text[i]));
    out += hex;
  }
  return out + "]";
}

}  // namespace lumra::testing
