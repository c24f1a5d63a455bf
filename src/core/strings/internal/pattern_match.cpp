#include "core/strings/internal/pattern_match.h"

#include <algorithm>
#include <cstring>

namespace lumra::internal {


void PatternMatchWord::assign(Symbols pattern) {
  base_ = 0;
  std::memset(direct_, 0, sizeof(direct_));
  const Symbols recorded = pattern.first(std::min(pattern.size(), kMaxLength));
  std::size_t wide = 0;
  for (const Symbol c : recorded) wide += c >= kDirect ? 1 : 0;
  add_pattern(recorded, wide);
}

void PatternMatchWord::assign_for_text(Symbols pattern, Symbols text) {
  if (text.size() + pattern.size() >= kDirect) {
    assign(pattern);
    return;
  }
  const Symbols recorded = pattern.first(std::min(pattern.size(), kMaxLength));
  // Texts touching Latin-1 keep the plain table, whose window starts at 0;
  // a Latin pattern shows that at its first symbol, without a scan.
  base_ = 0;
  if (!recorded.empty() && recorded[0] >= kDirect) {
    Symbol lowest = recorded[0];
    Symbol highest = recorded[0];
    for (const Symbol c : text) {
      lowest = std::min(lowest, c);
      highest = std::max(highest, c);
    }
    for (const Symbol c : recorded) {
      lowest = std::min(lowest, c);
      highest = std::max(highest, c);
    }
    if (lowest >= kDirect && highest - lowest < kDirect) base_ = lowest;
  }
  // Clearing entry by entry costs a few operations a symbol; past a few
  // dozen symbols, clearing the whole window in bulk is cheaper.
  constexpr std::size_t kClearedOneByOne = 64;
  std::size_t wide = 0;
  if (text.size() + recorded.size() > kClearedOneByOne) {
    std::memset(direct_, 0, sizeof(direct_));
    for (const Symbol c : recorded) wide += c - base_ >= kDirect ? 1 : 0;
  } else {
    for (const Symbol c : text) {
      if (c - base_ < kDirect) direct_[c - base_] = 0;
    }
    // The pattern's own entries are cleared too (one of its symbols may be
    // missing from the text), and its wide symbols counted on the way.
    for (const Symbol c : recorded) {
      if (c - base_ < kDirect) {
        direct_[c - base_] = 0;
      } else {
        ++wide;
      }
    }
  }
  add_pattern(recorded, wide);
}

void PatternMatchWord::add_pattern(Symbols recorded, std::size_t wide) {
  // The wide map is cleared only when a wide symbol shows up, so a Latin
  // pattern pays for the direct table alone, and only as far as the wide
  // positions need.
  has_wide_ = wide > 0;
  if (!has_wide_) {
    for (std::size_t i = 0; i < recorded.size(); ++i) {
      direct_[recorded[i] - base_] |= std::uint64_t{1} << i;
    }
    return;
  }
  table_bits_ = 1;
  while ((std::size_t{1} << table_bits_) < 2 * wide) ++table_bits_;
  const std::size_t slots = std::size_t{1} << table_bits_;
  std::memset(keys_, 0, slots * sizeof(Symbol));
  std::memset(masks_, 0, slots * sizeof(std::uint64_t));
  for (std::size_t i = 0; i < recorded.size(); ++i) {
    const std::uint64_t bit = std::uint64_t{1} << i;
    if (recorded[i] - base_ < kDirect) {
      direct_[recorded[i] - base_] |= bit;
    } else {
      add_wide(recorded[i], bit);
    }
  }
}

void PatternMatchWord::add_wide(Symbol c, std::uint64_t bit) {
  const std::size_t mask = (std::size_t{1} << table_bits_) - 1;
  std::size_t slot = slot_of(c, table_bits_);
  while (keys_[slot] != 0 && keys_[slot] != c) slot = (slot + 1) & mask;
  keys_[slot] = c;
  masks_[slot] |= bit;
}

std::uint64_t PatternMatchWord::probe_wide(Symbol c, std::size_t slot) const {
  const std::size_t mask = (std::size_t{1} << table_bits_) - 1;
  slot = (slot + 1) & mask;
  while (keys_[slot] != 0) {
    if (keys_[slot] == c) return masks_[slot];
    slot = (slot + 1) & mask;
  }
  return 0;
}

void PatternMatchBlocks::assign(Symbols pattern) {
  pattern_ = pattern;
  length_ = pattern.size();
  words_ = (length_ + 63) / 64;
  stride_ = words_ + 1;
  filled_ = 0;
  base_ = 0;
  // Latin-1 keeps the window at 0, which a Latin pattern shows at its first
  // symbol.
  if (!pattern.empty() && pattern[0] >= kDirect) {
    Symbol lowest = pattern[0];
    for (const Symbol c : pattern) lowest = std::min(lowest, c);
    base_ = lowest;
  }
  // Symbols outside the window get their row numbers now, so that the rows
  // never move once a kernel holds them.
  // Whether any symbol lies past the window: the offsets from its start,
  // or-ed together, reach 256 exactly then (one vector pass, no branch).
  Symbol offsets = 0;
  for (const Symbol c : pattern) offsets |= c - base_;
  has_wide_ = offsets >= kDirect;
  std::size_t wide = 0;
  if (has_wide_) {
    for (const Symbol c : pattern) wide += c - base_ >= kDirect ? 1 : 0;
  }
  std::uint32_t rows = 1;
  if (has_wide_) {
    // At least twice as many slots as wide positions keeps probes short
    // and always leaves a free slot.
    table_bits_ = 1;
    while ((std::size_t{1} << table_bits_) < 2 * wide) ++table_bits_;
    const std::size_t slots = std::size_t{1} << table_bits_;
    keys_.assign(slots, 0);
    numbers_.assign(slots, 0);
    for (const Symbol c : pattern) {
      if (c - base_ < kDirect) continue;
      std::uint32_t& number = claim_wide(c);
      if (number == 0) number = rows++;
    }
  }
  wide_.assign(rows * stride_, 0);
  direct_.resize(kDirect * stride_);
  std::memset(direct_.data(), 0, kDirect * stride_ * sizeof(std::uint64_t));
}

void PatternMatchBlocks::fill_word(std::size_t word) const {
  // Locals: the masks are 64-bit words, as are the sizes, so stores into
  // the masks would otherwise make the compiler reload the members.
  const std::size_t stride = stride_;
  const Symbol base = base_;
  std::uint64_t* direct = direct_.data() + word;
  const std::size_t end = std::min(length_, 64 * word + 64);
  std::uint64_t bit = 1;
  for (std::size_t i = 64 * word; i < end; ++i, bit <<= 1) {
    const Symbol c = pattern_[i];
    if (c - base < kDirect) [[likely]] {
      direct[(c - base) * stride] |= bit;
    } else {
      wide_[wide_row_number(c) * stride + word] |= bit;
    }
  }
}

// A slot is free while its row number is 0, whatever its key: below a
// window that starts above 0, symbol 0 itself belongs to the map.
std::uint32_t& PatternMatchBlocks::claim_wide(Symbol c) {
  const std::size_t mask = (std::size_t{1} << table_bits_) - 1;
  std::size_t slot = slot_of(c, table_bits_);
  while (numbers_[slot] != 0 && keys_[slot] != c) slot = (slot + 1) & mask;
  keys_[slot] = c;
  return numbers_[slot];
}

std::size_t PatternMatchBlocks::wide_row_number(Symbol c) const {
  const std::size_t mask = (std::size_t{1} << table_bits_) - 1;
  for (std::size_t slot = slot_of(c, table_bits_);; slot = (slot + 1) & mask) {
    if (numbers_[slot] == 0) return 0;
    if (keys_[slot] == c) return numbers_[slot];
  }
}

}  // namespace lumra::internal
