#include "zh/index/normalize_pinyin.h"

#include <cstdint>
#include <cstring>

#include <unicode/bytestream.h>
#include <unicode/casemap.h>

#include "zh/index/plain_pinyin.h"

namespace lumra::zh {

namespace {

std::string to_lower(std::string_view text) {
  std::string lower;
  bool ascii = true;
  for (char c : text) ascii &= static_cast<unsigned char>(c) < 0x80;
  if (ascii) {
    lower.assign(text);
    for (char& c : lower) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
  }
  // The empty locale is the root locale: no Turkish or Lithuanian rules.
  icu::StringByteSink<std::string> sink(&lower, static_cast<int32_t>(text.size()));
  UErrorCode status = U_ZERO_ERROR;
  icu::CaseMap::utf8ToLower("", 0, icu::StringPiece(text.data(), static_cast<int32_t>(text.size())),
                            sink, nullptr, status);
  // ICU fails only on input beyond its 32-bit lengths, which no reading
  // reaches (readings are limited to 16384 bytes before they are checked).
  if (U_FAILURE(status)) lower.assign(text);
  return lower;
}

// The byte length of the white space character at the start of `text`, or 0.
std::size_t white_space_length(std::string_view text) {
  auto byte = [&](std::size_t i) {
    return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u;
  };
  unsigned char first = byte(0);
  if ((first >= 0x09 && first <= 0x0D) || first == 0x20) return 1;
  if (first == 0xC2 && (byte(1) == 0x85 || byte(1) == 0xA0)) return 2;  // U+0085, U+00A0
  if (first == 0xE1 && byte(1) == 0x9A && byte(2) == 0x80) return 3;    // U+1680
  if (first == 0xE2 && byte(1) == 0x80) {
    unsigned char third = byte(2);
    // U+2000..U+200A, U+2028, U+2029, U+202F
    if ((third >= 0x80 && third <= 0x8A) || third == 0xA8 || third == 0xA9 || third == 0xAF) {
      return 3;
    }
  }
  if (first == 0xE2 && byte(1) == 0x81 && byte(2) == 0x9F) return 3;  // U+205F
  if (first == 0xE3 && byte(1) == 0x80 && byte(2) == 0x80) return 3;  // U+3000
  return 0;
}

bool is_ascii_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_tone_digit(char c) { return c >= '1' && c <= '5'; }

}  // namespace

std::string normalize_pinyin_reading(std::string_view reading, PinyinView view) {
  std::string lower = to_lower(reading);
  // "u:" and "ü" (C3 BC) become "v"; white space goes. Each step works on
  // the whole result of the one before, so "u :" keeps its colon.
  std::string replaced;
  replaced.reserve(lower.size());
  for (std::size_t i = 0; i < lower.size();) {
    if (lower.compare(i, 2, "u:") == 0) {
      replaced += 'v';
      i += 2;
    } else {
      replaced += lower[i++];
    }
  }
  std::string result;
  result.reserve(replaced.size());
  for (std::size_t i = 0; i < replaced.size();) {
    if (replaced.compare(i, 2, "\xC3\xBC") == 0) {
      result += 'v';
      i += 2;
    } else {
      result += replaced[i++];
    }
  }
  std::string compact;
  compact.reserve(result.size());
  for (std::size_t i = 0; i < result.size();) {
    std::size_t space = white_space_length(std::string_view(result).substr(i));
    if (space > 0) {
      i += space;
    } else {
      compact += result[i++];
    }
  }
  if (view == PinyinView::kTone3) return compact;
  std::string toneless;
  toneless.reserve(compact.size());
  bool after_letter = false;
  for (char c : compact) {
    if (after_letter && is_tone_digit(c)) continue;
    after_letter = is_ascii_letter(c);
    toneless += c;
  }
  return toneless;
}

bool is_plain_pinyin(std::string_view reading, PinyinView view) {
  // A whole load asks this of every reading, so it goes eight bytes at a
  // time; as plainness is a property of each byte, the last word may
  // overlap the one before it, and a short reading is padded with a plain
  // byte.
  const std::size_t size = reading.size();
  std::uint64_t word;
  if (size < 8) {
    word = kPlainPinyinPadding;
    if (size > 0) std::memcpy(&word, reading.data(), size);
    return is_plain_pinyin_word(word, view);
  }
  for (std::size_t i = 0; i + 8 < size; i += 8) {
    std::memcpy(&word, reading.data() + i, 8);
    if (!is_plain_pinyin_word(word, view)) return false;
  }
  std::memcpy(&word, reading.data() + size - 8, 8);
  return is_plain_pinyin_word(word, view);
}

std::optional<std::string> pinyin_normal_form_if_different(std::string_view reading,
                                                           PinyinView view) {
  if (is_plain_pinyin(reading, view)) return std::nullopt;
  std::string normalized = normalize_pinyin_reading(reading, view);
  if (normalized == reading) return std::nullopt;
  return normalized;
}

}  // namespace lumra::zh
