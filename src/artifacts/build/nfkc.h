// The compatibility-normalised form of a surface, under which a text written
// with half-width katakana or full-width letters finds its dictionary entry.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumra::artifacts::build {

// NFKC of the UTF-8 `text`, or nothing when it is already in that form (or
// cannot be normalised).
std::optional<std::string> nfkc_if_different(std::string_view text);

}  // namespace lumra::artifacts::build
