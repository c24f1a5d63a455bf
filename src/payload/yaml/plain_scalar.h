// What an untagged plain (unquoted) YAML scalar means.
//
// Resolution follows the YAML 1.2 core schema, as the payload and metadata
// files are written: ~, null, Null, NULL and the empty scalar are null;
// true/True/TRUE and false/False/FALSE are booleans; decimal digits with an
// optional sign, 0o octal and 0x hexadecimal are integers; decimal numbers
// with a point or an exponent and .inf/.nan are floating point; anything else
// is a string. Quoted scalars are always strings.
#pragma once

#include <cstdint>
#include <string_view>

namespace lumra::payload {

enum class ScalarKind { kNull, kBool, kInteger, kFloat, kString };

ScalarKind resolve_plain_scalar(std::string_view text);

// The value of a scalar that resolved to kInteger. `overflow` is set when the
// magnitude does not fit 64 bits.
struct IntegerValue {
  bool negative = false;
  bool overflow = false;
  std::uint64_t magnitude = 0;
};
IntegerValue parse_integer(std::string_view text);

}  // namespace lumra::payload
