// UTF-8 to scalar values.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/symbols.h"

namespace lumra {

// Decodes well-formed UTF-8 (as produced by the binding and by the payload
// loaders, which validate their input) into scalar values. A malformed
// sequence decodes as U+FFFD per byte rather than reading out of bounds.
std::vector<Symbol> decode_utf8(std::string_view text);

// The same, appended to `out`, so that a buffer refilled for many texts
// stops allocating. With `starts`, the byte offset at which each decoded
// value begins is appended there too.
void append_utf8(std::string_view text, std::vector<Symbol>& out,
                 std::vector<std::size_t>* starts = nullptr);

// Encodes scalar values as UTF-8.
std::string encode_utf8(Symbols symbols);

}  // namespace lumra
