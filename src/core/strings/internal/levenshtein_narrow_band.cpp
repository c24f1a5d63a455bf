// The bounded Levenshtein distance in one machine word sliding along the
// diagonal band of a small bound.
//
// With a bound k the table is only needed on the k + 1 or fewer diagonals
// of DiagonalBand, so one word holds all of them at once: bit b of column j
// stands for row j - high + b, and from one column to the next the word
// moves down a row. The column step is the usual Myers one after aligning
// the previous column's vertical differences with a shift; the row that
// enters at the bottom starts as +1 (straight down from the row above) and
// the row above the top sees a +1 horizontal difference (straight right),
// both real paths and so never below the true values, which is all the
// band needs. Rows above the table (row 0 and the virtual rows over it, at
// distance j - i from the origin) take part like any other with no
// matches, which keeps the early columns uniform.
//
// The band's masks come either from a table of one word per symbol that is
// moved down lazily (SlidingMasks), built for one comparison, or are cut
// out of a cached query's multi-word table (RowsFromTable).
//
// The final cell lies on the band's diagonal n - m, at the same bit in
// every column; its value is followed from where the diagonal enters the
// table, and it is the distance at the last column. The values never
// decrease along it, so the scan ends as soon as it passes the bound.
#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

#include "core/strings/internal/bit_parallel.h"
#include "core/strings/internal/diagonal_band.h"
#include "core/strings/internal/levenshtein_kernels.h"
#include "core/strings/internal/pattern_match.h"

namespace lumra::internal {

namespace {

// The masks of the pattern rows inside the band, kept per symbol and moved
// down lazily: a symbol's mask is stored with the column it was last
// updated at and shifted by the columns since whenever it is read. Only a
// row entering the band at the bottom writes, so a column costs one update
// and one lookup, and the table holds one word per symbol instead of a word
// per 64 pattern rows.
class SlidingMasks {
 public:
  explicit SlidingMasks(Symbols pattern) {
    std::memset(direct_, 0, sizeof(direct_));
    std::size_t wide = 0;
    for (const Symbol c : pattern) wide += c >= kDirect ? 1 : 0;
    if (wide == 0) return;
    // Twice the wide positions, so a probe always ends at a free slot.
    while ((std::size_t{1} << table_bits_) < 2 * wide) ++table_bits_;
    const std::size_t slots = std::size_t{1} << table_bits_;
    keys_ = std::make_unique<Symbol[]>(slots);  // 0 marks a free slot
    wide_ = std::make_unique_for_overwrite<Entry[]>(slots);
  }

  // Symbol `c` has a pattern row at the bottom bit `bottom` of column j.
  void enter(Symbol c, std::int64_t j, std::uint64_t bottom) {
    Entry& entry = c < kDirect ? direct_[c] : wide_entry(c);
    entry.mask = shifted(entry, j) | bottom;
    entry.last = j;
  }

  // The mask of `c` in column j.
  std::uint64_t get(Symbol c, std::int64_t j) const {
    if (c < kDirect) return shifted(direct_[c], j);
    if (!keys_) return 0;
    const std::size_t mask = (std::size_t{1} << table_bits_) - 1;
    for (std::size_t slot = slot_of(c, table_bits_);; slot = (slot + 1) & mask) {
      if (keys_[slot] == c) return shifted(wide_[slot], j);
      if (keys_[slot] == 0) return 0;
    }
  }

 private:
  static constexpr Symbol kDirect = 256;

  struct Entry {
    std::uint64_t mask;
    std::int64_t last;
  };

  // Fresh entries hold no rows, whatever column they claim; as an unsigned
  // count, a column before theirs reads as far past the window.
  static std::uint64_t shifted(const Entry& entry, std::int64_t j) {
    const auto moved = static_cast<std::uint64_t>(j - entry.last);
    return moved >= 64 ? 0 : entry.mask >> moved;
  }

  Entry& wide_entry(Symbol c) {
    const std::size_t mask = (std::size_t{1} << table_bits_) - 1;
    std::size_t slot = slot_of(c, table_bits_);
    while (keys_[slot] != 0 && keys_[slot] != c) slot = (slot + 1) & mask;
    if (keys_[slot] == 0) {
      keys_[slot] = c;
      wide_[slot] = {0, 0};
    }
    return wide_[slot];
  }

  Entry direct_[kDirect];
  unsigned table_bits_ = 1;
  std::unique_ptr<Symbol[]> keys_;
  std::unique_ptr<Entry[]> wide_;
};


// The masks of the band's rows for SlidingMasks: pattern row r (1-based)
// enters the band at the bottom in column r + low; the rows that do so
// before column 1 are entered up front.
class EnteringRows {
 public:
  EnteringRows(Symbols pattern, const DiagonalBand& band, std::uint64_t bottom)
      : pattern_(pattern), masks_(pattern), low_(band.low()), bottom_(bottom) {
    const auto rows = static_cast<std::int64_t>(pattern.size());
    for (; entering_ <= rows && entering_ + low_ <= 0; ++entering_) enter(entering_ + low_);
  }

  // Readies column j (1, 2, ... in turn).
  void column(std::int64_t j) {
    if (entering_ <= static_cast<std::int64_t>(pattern_.size())) {
      enter(j);
      ++entering_;
    }
  }
  std::uint64_t get(Symbol c, std::int64_t j) const { return masks_.get(c, j); }

 private:
  void enter(std::int64_t j) {
    masks_.enter(pattern_[static_cast<std::size_t>(entering_ - 1)], j, bottom_);
  }

  Symbols pattern_;
  SlidingMasks masks_;
  std::int64_t low_;
  std::uint64_t bottom_;
  std::int64_t entering_ = 1;
};

// The masks of the band's rows cut out of a multi-word table: bit b of
// column j stands for pattern position offset + j - high - 1 + b, so two
// neighbouring words of a symbol's row, shifted, give the band's word (the
// zero word after each row covers the pattern's end). Bits above the band,
// or below the pattern's end, may hold anything: they stand for rows below
// the band's bottom, whose values never reach the rows above them.
class RowsFromTable {
 public:
  RowsFromTable(const PatternMatchBlocks& table, std::size_t offset, const DiagonalBand& band)
      : table_(table), rows_(table.rows()), offset_(offset), high_(band.high()), low_(band.low()) {
    fill(1);
  }

  // Readies column j (1, 2, ... in turn): fills in the table's word that
  // the band's bottom row enters.
  void column(std::int64_t j) {
    if (j >= next_fill_) [[unlikely]] fill(j);
  }

  std::uint64_t get(Symbol c, std::int64_t j) const {
    const std::uint64_t* row = rows_.row(c);
    const std::int64_t first = j - high_ - 1;  // of bit 0, relative to the offset
    if (first >= 0) [[likely]] return bits_at(row, offset_ + static_cast<std::size_t>(first));
    // Rows above the table have no matches.
    return -first >= 64 ? 0 : bits_at(row, offset_) << -first;
  }

 private:
  // Positions position .. position + 63 of a row; position < length().
  static std::uint64_t bits_at(const std::uint64_t* row, std::size_t position) {
    const std::size_t word = position / 64;
    const unsigned shift = position % 64;
    return (row[word] >> shift) | ((row[word + 1] << 1) << (63 - shift));
  }

  void fill(std::int64_t j) {
    const std::int64_t length = static_cast<std::int64_t>(table_.length());
    const std::int64_t bottom = static_cast<std::int64_t>(offset_) + j - low_ - 1;
    const std::int64_t word = std::min(bottom, length - 1) / 64;
    table_.reach(static_cast<std::size_t>(word));
    // The column whose bottom row leaves that word; never, past the end.
    const std::int64_t end = 64 * (word + 1);
    next_fill_ = end >= length ? std::numeric_limits<std::int64_t>::max()
                               : end - static_cast<std::int64_t>(offset_) + low_ + 1;
  }

  const PatternMatchBlocks& table_;
  PatternMatchBlocks::Rows rows_;
  std::size_t offset_;
  std::int64_t high_;
  std::int64_t low_;
  std::int64_t next_fill_ = 0;
};

// The band slides down a row per column: the vertical differences are
// shifted to their rows, the row entering at the bottom starts as +1
// (straight down), and the step is Myers' with the band's masks.
template <class Rows>
BoundedDistance slide_band(Rows& rows, const DiagonalBand& band, std::size_t m, Symbols text,
                           std::uint64_t bound) {
  const std::size_t n = text.size();
  const std::int64_t high = band.high();
  const auto width = static_cast<std::size_t>(high - band.low() + 1);  // at most 64
  const std::uint64_t bottom = std::uint64_t{1} << (width - 1);

  // Column 0: D(i, 0) = |i| for the rows i = -high + b of the band, falling
  // by one per row down to row 0 and rising from there.
  const std::uint64_t above_table = low_bits(static_cast<std::size_t>(high + 1));
  WordState state;
  state.vn = above_table;
  state.vp = ~above_table;
  const auto advance = [&](std::size_t j) {
    const auto column = static_cast<std::int64_t>(j);
    rows.column(column);
    state.vp = (state.vp >> 1) | bottom;
    state.vn = (state.vn >> 1) & ~bottom;
    state.step(rows.get(text[j - 1], column) | state.vn);
  };

  // The final diagonal enters the table after the first n - m columns.
  const std::int64_t delta = band.delta();
  const auto diagonal_bit = static_cast<unsigned>(high - delta);
  const std::size_t lead = delta > 0 ? static_cast<std::size_t>(delta) : 0;
  std::size_t j = 1;
  for (; j <= lead; ++j) advance(j);
  std::uint64_t diagonal = length_difference(m, n);
  for (; j <= n; ++j) {
    advance(j);
    diagonal += 1 - state.zero_at(diagonal_bit);
    if (diagonal > bound) return {false, diagonal};
  }
  return {diagonal <= bound, diagonal};
}

}  // namespace

bool fits_narrow_band(std::size_t m, std::size_t n, std::uint64_t bound) {
  return m > 0 && n > 0 && bound < kNarrowBandMaxBound + 1 &&
         length_difference(m, n) <= bound && bound < std::max(m, n);
}

BoundedDistance levenshtein_narrow_band(Symbols pattern, Symbols text, std::uint64_t bound) {
  const DiagonalBand band(pattern.size(), text.size(), bound);
  const auto width = static_cast<std::size_t>(band.high() - band.low() + 1);
  EnteringRows rows(pattern, band, std::uint64_t{1} << (width - 1));
  return slide_band(rows, band, pattern.size(), text, bound);
}

BoundedDistance levenshtein_narrow_band(const PatternMatchBlocks& table, std::size_t offset,
                                        std::size_t length, Symbols text, std::uint64_t bound) {
  const DiagonalBand band(length, text.size(), bound);
  RowsFromTable rows(table, offset, band);
  return slide_band(rows, band, length, text, bound);
}

}  // namespace lumra::internal
