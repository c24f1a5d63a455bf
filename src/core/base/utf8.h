// UTF-8 to scalar values.
#pragma once

#include <string_view>
#include <vector>

#include "core/base/symbols.h"

namespace lumra {

// Decodes well-formed UTF-8 (as produced by the binding and by the payload
// loaders, which validate their input) into scalar values. A malformed
// sequence decodes as U+FFFD per byte rather than reading out of bounds.
std::vector<Symbol> decode_utf8(std::string_view text);

// Encodes scalar values as UTF-8.
std::string encode_utf8(Symbols symbols);

}  // namespace lumra
