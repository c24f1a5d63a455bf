// RomajiVariant and VariantList: the spellings of one unit, held inline.
//
// A spelling is at most four characters (an ASCII consonant before a small
// kana's three-letter spelling) and four bytes, and a unit has at most six
// (a small tsu's three and up to three consonants taken from the next
// unit), so a unit's whole list lives on the stack and expanding a text
// allocates nothing per unit.
#pragma once

#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace lumra::ja {

class RomajiVariant {
 public:
  static constexpr std::size_t kMaxBytes = 4;

  constexpr RomajiVariant() = default;
  // `text` is at most kMaxBytes bytes of UTF-8.
  constexpr explicit RomajiVariant(std::string_view text) {
    assert(text.size() <= kMaxBytes);
    std::uint8_t chars = 0;
    std::uint8_t last_vowel = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
      bytes_[i] = text[i];
      if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++chars;
      if (const std::uint8_t rank = vowel_rank(text[i]); rank != 0) last_vowel = rank;
    }
    size_ = static_cast<std::uint8_t>(text.size());
    chars_and_vowel_ = static_cast<std::uint8_t>(chars | last_vowel << 4);
  }

  constexpr std::string_view text() const { return {bytes_.data(), size_}; }
  constexpr std::size_t chars() const { return chars_and_vowel_ & 0x0F; }
  // The last lower-case vowel of the text as its place in "aiueo" counted
  // from 1, or 0 when it has none: what the long vowel mark after it reads
  // (vowel_class.h), known without scanning the text again.
  constexpr std::uint8_t last_vowel() const { return chars_and_vowel_ >> 4; }

  friend constexpr bool operator==(const RomajiVariant& a, const RomajiVariant& b) {
    return a.text() == b.text();
  }

 private:
  static constexpr std::uint8_t vowel_rank(char c) {
    switch (c) {
      case 'a': return 1;
      case 'i': return 2;
      case 'u': return 3;
      case 'e': return 4;
      case 'o': return 5;
      default: return 0;
    }
  }

  std::array<char, kMaxBytes> bytes_{};
  std::uint8_t size_ = 0;
  // The character count (at most kMaxBytes) in the low four bits, the last
  // vowel in the high ones: a unit's whole list stays as small as before.
  std::uint8_t chars_and_vowel_ = 0;
};

class VariantList {
 public:
  static constexpr std::size_t kCapacity = 6;

  constexpr VariantList() = default;

  constexpr std::size_t size() const { return size_; }
  constexpr bool empty() const { return size_ == 0; }
  constexpr std::string_view operator[](std::size_t i) const { return items_[i].text(); }
  constexpr const RomajiVariant* begin() const { return items_.data(); }
  constexpr const RomajiVariant* end() const { return items_.data() + size_; }

  constexpr void push_back(std::string_view text) {
    assert(size_ < kCapacity);
    items_[size_++] = RomajiVariant(text);
    row_ = 0;
  }
  constexpr bool contains(std::string_view text) const {
    for (const RomajiVariant& v : *this) {
      if (v.text() == text) return true;
    }
    return false;
  }
  // Keeps the first occurrence of each spelling, in order.
  constexpr void remove_duplicates() {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < size_; ++i) {
      bool seen = false;
      for (std::size_t k = 0; k < kept && !seen; ++k) seen = items_[k] == items_[i];
      if (!seen) items_[kept++] = items_[i];
    }
    if (kept != size_) row_ = 0;
    size_ = static_cast<std::uint8_t>(kept);
  }

  // Lists that are a kana table row as it stands carry the row's number
  // from 1 (kana_table.h), so that whoever numbers lists can tell equal
  // ones apart without reading them; any change makes it 0, unknown.
  // Lists of the same spellings may still carry different numbers, or 0.
  constexpr std::uint8_t row() const { return row_; }
  constexpr void set_row(std::uint8_t row) { row_ = row; }

 private:
  std::array<RomajiVariant, kCapacity> items_{};
  std::uint8_t size_ = 0;
  std::uint8_t row_ = 0;
};

}  // namespace lumra::ja
