// The normal form of a pinyin reading in a view; every reading of a Chinese
// index is stored in it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "zh/index/pinyin_view.h"

namespace lumra::zh {

// In this order: the full Unicode lower-case mapping (locale-independent);
// "u:" to "v", left to right without overlap; "ü" to "v"; every Unicode white
// space character removed; and in the no-tone view, the digits 1 to 5 removed
// where they follow an ASCII letter directly or through removed digits.
//   tone3:   "Zhong1 guo2" -> "zhong1guo2", "lu:4" and "lü4" -> "lv4"
//   no-tone: "zhong1guo2" -> "zhongguo", "a12b6" -> "ab6"
std::string normalize_pinyin_reading(std::string_view reading, PinyinView view);

// The normal form of `reading` when it differs from the reading, without
// allocating for readings already normal in the common all-ASCII case.
std::optional<std::string> pinyin_normal_form_if_different(std::string_view reading,
                                                           PinyinView view);

// Whether `reading` is made only of what is normal whatever surrounds it:
// lower-case ASCII letters and digits, save tone digits in the no-tone
// view. Such a reading is in normal form; one that is not may still be
// (pinyin_normal_form_if_different() tells).
bool is_plain_pinyin(std::string_view reading, PinyinView view);

}  // namespace lumra::zh
