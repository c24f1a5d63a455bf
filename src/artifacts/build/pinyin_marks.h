// Pinyin written with tone marks (zhōng guó) to pinyin with tone digits
// (zhong1 guo2), the form CC-CEDICT's text edition uses.
#pragma once

#include <string>
#include <string_view>

namespace lumra::artifacts::build {

// Converts each space-separated syllable of `marked`: a syllable with a tone
// mark loses it and ends in its digit (macron 1, acute 2, caron 3, grave 4);
// a syllable of lower-case letters alone is in the neutral tone and ends in
// 5; ü becomes v (nǚ -> nv3). Anything else (capitals such as the letter
// names in "A B zhì", digits, punctuation) is kept as written, which is what
// the text edition writes for them. Syllables are joined by single spaces.
std::string tone_marks_to_digits(std::string_view marked);

}  // namespace lumra::artifacts::build
