// Match masks of a pattern of two to four words (65 to 256 symbols), built
// for one comparison.
//
// A symbol's masks are one row of N words, looked up once per text symbol,
// so the column kernels keep all N words of their column in registers and
// fetch the row with a single lookup. The table lives on the stack of the
// comparison; only the part in use is cleared.
//
// Rows are indexed directly within a window of 256 code points: the one
// starting at 0 for Latin text, or the one starting at the pattern's lowest
// symbol otherwise, which holds the whole pattern of a text in kana,
// Cyrillic or one block of ideographs, so such texts never hash. Symbols outside the
// window that occur in the pattern go to a small open-addressing map; any
// other symbol has no row and matches nothing.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "core/base/symbols.h"
#include "core/strings/internal/pattern_match.h"

namespace lumra::internal {

template <std::size_t N>
class PatternMatchWords {
  static_assert(N >= 2 && N <= 4, "one word has PatternMatchWord, more have PatternMatchBlocks");

 public:
  static constexpr std::size_t kWords = N;
  static constexpr std::size_t kMaxLength = 64 * N;

  // `pattern` holds 1..kMaxLength symbols (the kernels use it from
  // 64 * (N - 1) + 1 on).
  explicit PatternMatchWords(Symbols pattern) : length_(pattern.size()) {
    // Latin-1 keeps the window at 0, which a Latin pattern shows at its
    // first symbol; a pattern above it moves the window to its lowest
    // symbol, which holds the whole pattern when it is written in one
    // script.
    if (pattern[0] >= kDirect) {
      Symbol lowest = pattern[0];
      for (const Symbol c : pattern) lowest = std::min(lowest, c);
      base_ = lowest;
    }
    std::memset(direct_, 0, sizeof(direct_));
    // Locals: the masks are 64-bit words, as is the length, so stores into
    // the masks would otherwise make the compiler reload the members.
    const std::size_t length = length_;
    const Symbol base = base_;
    for (std::size_t i = 0; i < length; ++i) {
      const Symbol c = pattern[i];
      if (c - base >= kDirect && !has_wide_) open_map(length - i);
      Row& row = c - base < kDirect ? direct_[c - base] : claim_wide(c);
      row.words[i / 64] |= std::uint64_t{1} << (i % 64);
    }
  }

  std::size_t length() const { return length_; }
  // The masks of a symbol the pattern does not contain.
  const std::uint64_t* zero_row() const { return zeros_.words; }

  // The N masks of `c`, low word first.
  const std::uint64_t* get(Symbol c) const {
    const Symbol index = c - base_;
    if (index < kDirect) return direct_[index].words;
    return has_wide_ ? get_wide(c) : zeros_.words;
  }

 private:
  static constexpr Symbol kDirect = 256;
  // At least twice the longest pattern, so a probe always ends at a free
  // slot, and a power of two.
  static constexpr std::size_t kSlots = std::bit_ceil(2 * kMaxLength);

  struct Row {
    std::uint64_t words[N];
  };

  // Readies the map for up to `symbols` more pattern positions.
  void open_map(std::size_t symbols) {
    has_wide_ = true;
    while ((std::size_t{1} << table_bits_) < 2 * symbols) ++table_bits_;
    const std::size_t slots = std::size_t{1} << table_bits_;
    std::memset(keys_, 0, slots * sizeof(Symbol));
    std::memset(wide_, 0, slots * sizeof(Row));
  }

  Row& claim_wide(Symbol c) {
    const std::size_t mask = (std::size_t{1} << table_bits_) - 1;
    std::size_t slot = slot_of(c, table_bits_);
    while (keys_[slot] != 0 && keys_[slot] != c) slot = (slot + 1) & mask;
    keys_[slot] = c;
    return wide_[slot];
  }

  const std::uint64_t* get_wide(Symbol c) const {
    const std::size_t mask = (std::size_t{1} << table_bits_) - 1;
    // Key 0 marks a free slot: symbols in the map are never below 256.
    for (std::size_t slot = slot_of(c, table_bits_);; slot = (slot + 1) & mask) {
      if (keys_[slot] == c) return wide_[slot].words;
      if (keys_[slot] == 0) return zeros_.words;
    }
  }

  std::size_t length_;
  Symbol base_ = 0;
  bool has_wide_ = false;
  unsigned table_bits_ = 1;
  Row direct_[kDirect];
  Row zeros_ = {};
  // Only the first 2^table_bits_ slots are in use and cleared.
  Symbol keys_[kSlots];
  Row wide_[kSlots];
};

// The PatternMatchWords a cached pattern of 65 to 256 symbols needs, kept on
// the heap (the four-word table takes 26 KB) for the life of its owner.
class AnyPatternMatchWords {
 public:
  static bool fits(std::size_t length) {
    return length > PatternMatchWord::kMaxLength && length <= PatternMatchWords<4>::kMaxLength;
  }

  // `pattern` must fit.
  void assign(Symbols pattern) {
    if (pattern.size() <= PatternMatchWords<2>::kMaxLength) {
      two_ = std::make_unique<PatternMatchWords<2>>(pattern);
    } else if (pattern.size() <= PatternMatchWords<3>::kMaxLength) {
      three_ = std::make_unique<PatternMatchWords<3>>(pattern);
    } else {
      four_ = std::make_unique<PatternMatchWords<4>>(pattern);
    }
  }

  // visit(table) with the table assigned.
  template <class Visit>
  auto visit(const Visit& visit) const {
    if (two_) return visit(*two_);
    if (three_) return visit(*three_);
    return visit(*four_);
  }

 private:
  std::unique_ptr<PatternMatchWords<2>> two_;
  std::unique_ptr<PatternMatchWords<3>> three_;
  std::unique_ptr<PatternMatchWords<4>> four_;
};

}  // namespace lumra::internal
