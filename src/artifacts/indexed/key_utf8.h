// UTF-8 checking of keys that arrive in ascending order.
//
// Consecutive keys of a walk share a prefix, which was checked with the
// previous key: the check of the next key can start at the last character
// of that prefix instead of at its first byte, and still report exactly
// what a check of the whole key would.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "ja/unidic/unidic_load_error.h"

namespace lumra::artifacts {

// find_utf8_error(key), given that key[0, shared) is a prefix of a string
// that is valid UTF-8. An error's position counts from the start of `key`.
std::optional<ja::Utf8Error> find_utf8_error_after(std::string_view key, std::size_t shared);

}  // namespace lumra::artifacts
