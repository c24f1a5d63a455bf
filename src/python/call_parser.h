// Matching a call's positional and keyword arguments to parameters.
//
// parse_call() refuses a malformed call with CPython's own TypeError wording
// before anything is converted. It works on the plain description below;
// parameter_list.h builds that description, once per parameter list, at
// compile time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "python/python.h"

namespace lumra::python {

// What leaving a parameter out means.
enum class Presence : std::uint8_t {
  kRequired,
  kOptional,   // may be left out, and None means the same: the value is unset
  kDefaulted,  // may be left out for its default; None is refused like any wrong type
};

struct ParameterInfo {
  const char* name;
  std::size_t name_length;
  Presence presence;
  bool keyword_only;
  const char* default_text;  // kDefaulted: the value a left-out argument stands for
};

// How a call names what it calls, in messages: "name()" for a function,
// "Owner.name()" for a method.
struct CallShape {
  const char* owner;  // nullptr for a module function
  const char* name;
  std::span<const ParameterInfo> parameters;
  std::size_t positional;           // parameters that may be given by position
  std::size_t required_positional;  // of which required
  std::size_t required_keywords;    // keyword-only and required
};

// Fills `slots` (one per parameter, borrowed references) with the argument
// given for each parameter, or nullptr where none was. Returns false with
// a TypeError set when the call does not fit.
bool parse_call(const CallShape& shape, PyObject* const* args, std::size_t given,
                PyObject* kwnames, PyObject** slots);

}  // namespace lumra::python
