// Whether a mixed text holds an ASCII word that the dictionary knows.
#pragma once

#include <string_view>

#include "core/base/result.h"
#include "ja/unidic/reading_index.h"
#include "ja/unidic/unidic_load_error.h"

namespace lumra::ja {

// False for a text without ASCII letters or digits and for a text of ASCII
// alone. Otherwise true when one of its maximal runs of ASCII letters and
// digits is an index surface (lookup_folded). A run cut off by the end of
// the text is not looked up when it is a single character after the start,
// such as the "A" of "ビタミンA": too short to tell a word from a stray
// letter.
Result<bool, UnidicLoadError> has_dictionary_ascii_token(const UnidicReadingIndex& index,
                                                         std::string_view text);

}  // namespace lumra::ja
