// Katakana readings as the Japanese index stores them: in hiragana.
#pragma once

#include <string>
#include <string_view>

namespace lumra::artifacts::build {

// Every katakana letter that has a hiragana twin (U+30A1..U+30F6, small
// letters and ヴ ヵ ヶ included) becomes that twin; the prolonged sound mark,
// ヷ..ヺ and everything else stay as they are. `text` must be UTF-8.
std::string katakana_to_hiragana(std::string_view text);

}  // namespace lumra::artifacts::build
