// Pattern-match tables for the bit-parallel kernels.
//
// For a pattern p, the mask of a symbol c has bit i set exactly when
// p[i] == c. The kernels fetch one mask per text symbol, so the lookup is on
// the hot path: symbols below 256 (ASCII, Latin-1) index a direct table, and
// the rest (kana, CJK, emoji, anything up to 0x10FFFF and beyond) go through
// a small open-addressing map holding only the symbols the pattern contains.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/base/symbols.h"

namespace lumra::internal {

// Spreads code points that differ in their low bits (consecutive kana or
// ideographs) over the whole table.
inline std::size_t slot_of(Symbol c, unsigned table_bits) {
  return static_cast<std::size_t>((static_cast<std::uint64_t>(c) * 0x9E3779B97F4A7C15ull) >>
                                  (64 - table_bits));
}

// Masks of a pattern of at most 64 symbols: one machine word per symbol.
// Fixed size, so it can live on the stack for a single comparison.
class PatternMatchWord {
 public:
  static constexpr std::size_t kMaxLength = 64;

  PatternMatchWord() { assign({}); }
  explicit PatternMatchWord(Symbols pattern) { assign(pattern); }
  // A table that may only be asked about the symbols of `text`; see
  // assign_for_text().
  PatternMatchWord(Symbols pattern, Symbols text) { assign_for_text(pattern, text); }

  // Rebuilds the table for `pattern`; only its first kMaxLength symbols
  // are recorded.
  void assign(Symbols pattern);

  // Rebuilds the table for looking up the symbols of `text` only: of the
  // direct table, just the entries of the text's and the pattern's symbols
  // are set, instead of all 256. A single comparison of two short texts
  // would otherwise spend more time clearing the table than scanning.
  // When all those symbols lie in one window of 256 code points above the
  // Latin-1 range (a word in kana, Cyrillic or ideographs of one block), the
  // direct table covers that window instead, so such texts never hash.
  void assign_for_text(Symbols pattern, Symbols text);

  std::uint64_t get(Symbol c) const {
    // Symbols below the window wrap around to large indices and take the
    // wide path, which knows every pattern symbol outside the window.
    const Symbol index = c - base_;
    if (index < kDirect) return direct_[index];
    return has_wide_ ? get_wide(c) : 0;
  }

 private:
  static constexpr std::size_t kDirect = 256;
  // Twice the longest pattern, so a probe always ends at a free slot.
  static constexpr unsigned kMaxTableBits = 7;
  static constexpr std::size_t kSlots = std::size_t{1} << kMaxTableBits;

  // Records the first kMaxLength symbols, `wide` of which lie outside the
  // direct window; the direct entries they touch are already cleared.
  void add_pattern(Symbols recorded, std::size_t wide);
  void add_wide(Symbol c, std::uint64_t bit);
  std::uint64_t probe_wide(Symbol c, std::size_t slot) const;

  // Inline, and with one well-predicted branch for the common outcomes: the
  // first slot holds the symbol or is free. Whether a text symbol occurs in
  // the pattern is data, so it picks the result without a branch.
  std::uint64_t get_wide(Symbol c) const {
    const std::size_t slot = slot_of(c, table_bits_);
    const Symbol key = keys_[slot];
    const std::uint64_t mask = masks_[slot];
    if (key == c || key == 0) [[likely]]
      return key == c ? mask : 0;
    return probe_wide(c, slot);
  }

  // direct_[i] is the mask of symbol base_ + i.
  std::uint64_t direct_[kDirect];
  Symbol base_ = 0;
  // Only the first 2^table_bits_ slots are in use: at least twice the wide
  // positions of the pattern, so a short pattern clears little. Key 0 marks
  // a free slot (wide symbols are never below 256), whose mask is 0.
  Symbol keys_[kSlots];
  std::uint64_t masks_[kSlots];
  unsigned table_bits_ = 1;
  bool has_wide_ = false;
};

// Masks of a pattern of at most 16 symbols, found without any table: a text
// symbol is compared with all the pattern's symbols at once (four SSE2
// comparisons, packed into one byte mask). Building a table costs a dozen
// operations per symbol of pattern and text, more than a whole comparison
// of two words takes with this, whatever their alphabet.
class PatternMatchShort {
 public:
  static constexpr std::size_t kMaxLength = 16;

  // `pattern` holds at most kMaxLength symbols.
  explicit PatternMatchShort(Symbols pattern) : length_(pattern.size()) {
    // Whole groups of four are loaded as they are and the last one is put
    // together symbol by symbol: a plain copy of a few symbols into a
    // padded buffer is turned by compilers into a byte-by-byte loop.
    const Symbol* p = pattern.data();
    const std::size_t whole = length_ / 4;
    const std::size_t rest = length_ % 4;
#if defined(__SSE2__)
    for (std::size_t i = 0; i < 4; ++i) lanes_[i] = _mm_setzero_si128();
    for (std::size_t i = 0; i < whole; ++i) {
      lanes_[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 4 * i));
    }
    if (rest > 0) {
      const Symbol* q = p + 4 * whole;
      lanes_[whole] = _mm_setr_epi32(static_cast<int>(q[0]), rest > 1 ? static_cast<int>(q[1]) : 0,
                                     rest > 2 ? static_cast<int>(q[2]) : 0, 0);
    }
#else
    for (std::size_t i = 0; i < kMaxLength; ++i) symbols_[i] = i < length_ ? p[i] : 0;
    (void)whole;
    (void)rest;
#endif
  }

  std::size_t length() const { return length_; }

  // Bits at and above length() are unspecified; the kernels never read
  // them (information only travels upwards in a column).
  std::uint64_t get(Symbol c) const {
#if defined(__SSE2__)
    const __m128i key = _mm_set1_epi32(static_cast<int>(c));
    const __m128i low = _mm_packs_epi32(_mm_cmpeq_epi32(lanes_[0], key),
                                        _mm_cmpeq_epi32(lanes_[1], key));
    const __m128i high = _mm_packs_epi32(_mm_cmpeq_epi32(lanes_[2], key),
                                         _mm_cmpeq_epi32(lanes_[3], key));
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(low, high)));
#else
    std::uint64_t mask = 0;
    for (std::size_t i = 0; i < kMaxLength; ++i) {
      mask |= static_cast<std::uint64_t>(symbols_[i] == c) << i;
    }
    return mask;
#endif
  }

 private:
  std::size_t length_;
#if defined(__SSE2__)
  __m128i lanes_[4];
#else
  Symbol symbols_[kMaxLength];
#endif
};

// Whether a single comparison is cheaper with PatternMatchShort than with a
// table: the pattern fits it, and the texts are short enough for the table
// to clear its entries one by one (PatternMatchWord::assign_for_text),
// which costs more per symbol than the comparisons do. Longer texts get a
// table cleared in bulk, whose cheaper lookups win back its building.
inline bool fits_short_table(Symbols pattern, Symbols text) {
  return pattern.size() <= PatternMatchShort::kMaxLength && pattern.size() + text.size() < 256;
}

// A pattern of 1..64 symbols as the one-word kernels see it: the masks of
// `table` shifted right by `offset`, of which the low `length` bits count.
// The offset lets a query whose table was built once skip a prefix it shares
// with a choice without rebuilding the table; the bits above `length` are
// never read, because every kernel operation carries information upwards only.
struct WordPattern {
  const PatternMatchWord* table;
  unsigned offset;     // below 64
  std::size_t length;  // 1 .. 64 - offset

  std::uint64_t get(Symbol c) const { return table->get(c) >> offset; }
};

// Masks of a pattern of any length, split into 64-bit words: word w of a
// symbol's mask covers pattern positions 64w .. 64w + 63.
//
// A window of 256 code points has direct rows: the window at 0 for a Latin
// pattern, the one at the pattern's lowest symbol for any other, which
// holds the whole pattern when it is written in one script (kana,
// Cyrillic, one block of ideographs). Pattern symbols outside the window
// get a row each through a small open-addressing map of row numbers, so a
// long pattern costs a row per distinct symbol there, not a row per hash
// slot, which would take hundreds of kilobytes to clear for a single
// comparison.
//
// The masks are filled in word by word as the kernels reach the words:
// a bounded comparison that gives up early, or follows a narrow band, never
// pays for the words it does not visit. Filling them in changes nothing a
// caller can see, so it happens under const; a table is only ever used by
// one thread. The buffers only grow, so one object can be reassigned to
// many patterns without allocating.
class PatternMatchBlocks {
 public:
  // Readies the table for `pattern`, which must outlive its use.
  void assign(Symbols pattern);

  std::size_t length() const { return length_; }
  std::size_t words() const { return words_; }

  // Fills in the masks of words 0 .. `word` (below words()); the rows may
  // only be read at words filled in.
  void reach(std::size_t word) const {
    while (filled_ <= word) fill_word(filled_++);
  }

  // The masks of a symbol the pattern does not contain.
  const std::uint64_t* zero_row() const { return wide_.data(); }

  // The `words()` masks of `c`, low word first, and after them one word of
  // zeros: a kernel cutting 64 bits out of two neighbouring words at any
  // position of the pattern needs no test for the end of the row.
  const std::uint64_t* row(Symbol c) const { return rows().row(c); }

  // The lookup with the table's fields copied out, for a kernel loop that
  // also calls reach(): the compiler would otherwise reload the fields after
  // every such call. Valid until the next assign().
  struct Rows {
    const PatternMatchBlocks* table;
    const std::uint64_t* direct;
    std::size_t stride;
    Symbol base;

    const std::uint64_t* row(Symbol c) const {
      const Symbol index = c - base;
      if (index < kDirect) [[likely]] return direct + static_cast<std::size_t>(index) * stride;
      return table->wide_row(c);
    }
  };
  Rows rows() const { return {this, direct_.data(), stride_, base_}; }

 private:
  static constexpr Symbol kDirect = 256;

  void fill_word(std::size_t word) const;
  const std::uint64_t* wide_row(Symbol c) const {
    return wide_.data() + (has_wide_ ? wide_row_number(c) * stride_ : 0);
  }
  std::size_t wide_row_number(Symbol c) const;
  std::uint32_t& claim_wide(Symbol c);

  Symbols pattern_;
  std::size_t length_ = 0;
  std::size_t words_ = 0;
  std::size_t stride_ = 1;  // words_ and the padding word
  Symbol base_ = 0;
  bool has_wide_ = false;
  unsigned table_bits_ = 0;
  mutable std::size_t filled_ = 0;             // words filled in
  mutable std::vector<std::uint64_t> direct_;  // kDirect rows of stride_ words
  std::vector<Symbol> keys_;                   // the map: symbols and their row
  std::vector<std::uint32_t> numbers_;         // numbers, 0 in a free slot
  mutable std::vector<std::uint64_t> wide_;    // the map's rows, the zero row first
};

}  // namespace lumra::internal
