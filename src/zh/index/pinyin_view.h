// PinyinView: the form every reading of one Chinese index is written in.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace lumra::zh {

// The values are the view codes of indexed payloads.
enum class PinyinView : std::uint32_t {
  kNoTone = 0,  // "no-tone": zhongguo
  kTone3 = 1,   // "tone3": zhong1guo2
};

// The view a payload names: "tone3", or "no-tone" with its aliases "notone"
// and "normal", matched exactly.
std::optional<PinyinView> parse_pinyin_view(std::string_view name);

// The one name written back out, whatever alias the payload used.
std::string_view canonical_name(PinyinView view);

// The view of an indexed payload's code, if the code is one.
std::optional<PinyinView> pinyin_view_from_code(std::uint32_t code);

}  // namespace lumra::zh
