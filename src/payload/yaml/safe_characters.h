// The characters the block-subset reader (block_subset_reader.h) takes on
// trust: a text made only of them means the same to it as to libyaml, byte
// for byte, as far as characters go.
#pragma once

#include <string_view>

namespace lumra::payload {

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing past U+10FFFF) made of printable characters, line feeds and
// carriage returns that end a line with a line feed. Refused besides: the
// tab (whose place in indentation YAML restricts), the C0 and C1 controls,
// DEL, U+FEFF, U+FFFE, U+FFFF, and U+0085, U+2028 and U+2029, which older
// YAML treats as line breaks.
bool has_only_safe_characters(std::string_view text);

}  // namespace lumra::payload
