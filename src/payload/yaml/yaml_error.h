// Why a YAML document could not be read, or does not fit its records.
#pragma once

#include <string>

namespace lumra::payload {

// The message says what went wrong and where libyaml was in the text
// ("missing field `surface` at line 4 column 3"); the loaders wrap it in
// their own error type.
struct YamlError {
  std::string message;
};

}  // namespace lumra::payload
