// The kana-to-romaji table: 115 kana keys of one or two hiragana characters
// (or the long vowel mark), each with one to three romaji spellings in order
// of preference.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

namespace lumra::ja {

struct KanaRow {
  std::u32string_view key;
  // The spellings, lower-case ASCII ("-" for the long vowel mark); unused
  // slots are empty.
  std::array<std::string_view, 3> variants;

  std::size_t variant_count() const {
    std::size_t count = 0;
    while (count < variants.size() && !variants[count].empty()) ++count;
    return count;
  }
};

inline constexpr std::size_t kKanaRowCount = 115;
inline constexpr char32_t kLongVowelMark = U'ー';
inline constexpr char32_t kSmallTsu = U'っ';

// All rows, in table order.
std::span<const KanaRow> kana_rows();

// The row of the key `first` (when `second` is 0) or `first` `second`, or
// null when the table has none. Both characters are hiragana or the long
// vowel mark, katakana already folded.
const KanaRow* find_kana_row(char32_t first, char32_t second = 0);

}  // namespace lumra::ja
