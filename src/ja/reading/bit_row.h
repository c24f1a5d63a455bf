// BitRow: one row of the Levenshtein table of a text of at most 64 symbols
// against a string that grows a symbol at a time, in two machine words.
//
// Adjacent entries of a row differ by -1, 0 or +1, so a row is its first
// entry (the string's length) and the signs of its steps: bit i of `up` is
// set when entry i + 1 is one more than entry i, bit i of `down` when it is
// one less. Appending a symbol to the string computes the next row from
// these words in a dozen word operations, whatever the text's length
// (Myers' bit-parallel recurrence, in Hyyrö's form for whole strings: the
// first entry grows by one each row). The searches that fill a row per
// node of a tree of spellings take their rows this way when the rows
// would be wide.
#pragma once

#include <array>
#include <cstdint>

namespace lumra::ja {

// Four steps of a row, rises in the low four bits of the index and falls
// in the high ones: how far the entries go below the first of them, and
// where the last ends.
struct FourSteps {
  std::int8_t change;
  std::uint8_t fall;
};

constexpr std::array<FourSteps, 256> four_steps_table() {
  std::array<FourSteps, 256> table{};
  for (int index = 0; index < 256; ++index) {
    int entry = 0;
    int lowest = 0;
    for (int i = 0; i < 4; ++i) {
      entry += ((index >> i) & 1) - ((index >> (4 + i)) & 1);
      lowest = entry < lowest ? entry : lowest;
    }
    table[index] = {static_cast<std::int8_t>(entry), static_cast<std::uint8_t>(-lowest)};
  }
  return table;
}

inline constexpr std::array<FourSteps, 256> kFourSteps = four_steps_table();

struct BitRow {
  std::uint64_t up;
  std::uint64_t down;
  std::uint32_t depth;  // the first entry: the string's length
  std::uint32_t last;   // the entry at the text's end: the distance

  // The row of the empty string against a text of `length` (1 to 64)
  // symbols: 0, 1, ..., length.
  static BitRow first(std::uint32_t length) {
    return {low_bits(length), 0, 0, length};
  }

  // The row after appending a symbol that the text holds at the positions
  // set in `matches` (bit i for the text's symbol i), for a text of
  // `length` symbols.
  BitRow next(std::uint64_t matches, std::uint32_t length) const {
    const std::uint64_t x = matches | down;
    const std::uint64_t diagonal = (((x & up) + up) ^ up) | x;
    std::uint64_t right_up = down | ~(diagonal | up);
    std::uint64_t right_down = up & diagonal;
    const std::uint64_t top = std::uint64_t{1} << (length - 1);
    const std::uint32_t distance =
        last + ((right_up & top) != 0 ? 1 : 0) - ((right_down & top) != 0 ? 1 : 0);
    right_up = (right_up << 1) | 1;
    right_down <<= 1;
    return {right_down | ~(diagonal | right_up), right_up & diagonal, depth + 1, distance};
  }

  // The entry at column `i` (0 to the text's length).
  std::uint32_t at(std::uint32_t i) const {
    const std::uint64_t mask = low_bits(i);
    return depth + static_cast<std::uint32_t>(ones(up & mask)) -
           static_cast<std::uint32_t>(ones(down & mask));
  }

  // A lower bound of the entries from column `from` to column `to`
  // (from <= to): the first of them less every step down on the way.
  // That is the first entry's rises before `from` less its falls before
  // `to`: two counts instead of three.
  std::uint32_t floor_between(std::uint32_t from, std::uint32_t to) const {
    const std::uint32_t rises = depth + static_cast<std::uint32_t>(ones(up & low_bits(from)));
    const auto falls = static_cast<std::uint32_t>(ones(down & low_bits(to)));
    return rises > falls ? rises - falls : 0;
  }

  // The smallest entry from column `from` to column `to` (from <= to),
  // four steps at a time: steps outside the columns are taken as flat,
  // which repeats an entry of theirs and leaves the smallest as it is.
  std::uint32_t min_between(std::uint32_t from, std::uint32_t to) const {
    std::uint32_t entry = at(from);
    std::uint32_t smallest = entry;
    if (from >= to) return smallest;
    const std::uint64_t between = low_bits(to) & ~low_bits(from);
    std::uint64_t ups = (up & between) >> from;
    std::uint64_t downs = (down & between) >> from;
    while ((ups | downs) != 0) {
      const FourSteps steps = kFourSteps[(ups & 15) | (downs & 15) << 4];
      // Entries never go below 0: the fall is at most the entry.
      const std::uint32_t lowest = entry - steps.fall;
      smallest = lowest < smallest ? lowest : smallest;
      entry = static_cast<std::uint32_t>(static_cast<std::int32_t>(entry) + steps.change);
      ups >>= 4;
      downs >>= 4;
    }
    return smallest;
  }

  // Whether some entry from column `from` to column `to` (from <= to) is
  // below `limit`. A search asks this of most rows it fills, and the
  // first entry, or the first less every step down on the way, mostly
  // answers it.
  bool any_below(std::uint32_t from, std::uint32_t to, std::uint32_t limit) const {
    std::uint32_t entry = at(from);
    if (entry < limit) return true;
    const std::uint64_t between = low_bits(to) & ~low_bits(from);
    if (entry >= limit + static_cast<std::uint32_t>(ones(down & between))) return false;
    for (std::uint32_t i = from; i < to; ++i) {
      entry = entry + static_cast<std::uint32_t>((up >> i) & 1) -
              static_cast<std::uint32_t>((down >> i) & 1);
      if (entry < limit) return true;
    }
    return false;
  }

  // The set bits of `word`, counted in the word itself: the library's
  // count is a call into libgcc on a build for any x86-64.
  static int ones(std::uint64_t word) {
    word -= (word >> 1) & 0x5555555555555555;
    word = (word & 0x3333333333333333) + ((word >> 2) & 0x3333333333333333);
    word = (word + (word >> 4)) & 0x0F0F0F0F0F0F0F0F;
    return static_cast<int>((word * 0x0101010101010101) >> 56);
  }

  static std::uint64_t low_bits(std::uint32_t count) {
    return count >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1;
  }
};

}  // namespace lumra::ja
