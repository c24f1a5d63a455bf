// Declarative parameter lists and CPython-style call parsing.
//
// Every function and method describes its parameters once; parse_call()
// matches positional and keyword arguments against that list and refuses a
// malformed call with CPython's own TypeError wording, before anything is
// converted.
#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "python/python.h"

namespace lumra::python {

enum class Kind {
  kText,            // a str, copied as scalar values
  kTextList,        // a sequence of str
  kCount,           // an unsigned 64-bit integer via __index__
  kReal,            // a double via float conversion
  kFlag,            // True or False
  kCombinedCutoff,  // the combined distance's signed cutoff rule
};

struct Parameter {
  constexpr Parameter(const char* name, Kind kind, bool keyword_only = false,
                      bool optional = false)
      : name(name),
        name_length(std::char_traits<char>::length(name)),
        kind(kind),
        keyword_only(keyword_only),
        optional(optional) {}

  const char* name;
  std::size_t name_length;
  Kind kind;
  bool keyword_only;
  bool optional;  // may be left out; None means the same
};

struct Signature {
  constexpr Signature(const char* function, std::span<const Parameter> parameters)
      : function(function), parameters(parameters) {
    for (const Parameter& p : parameters) {
      if (!p.keyword_only) ++positional;
      if (!p.keyword_only && !p.optional) ++required_positional;
      if (p.keyword_only && !p.optional) ++required_keywords;
    }
  }

  const char* function;  // as it appears in messages, e.g. "distance()"
  std::span<const Parameter> parameters;
  std::size_t positional = 0;
  std::size_t required_positional = 0;
  std::size_t required_keywords = 0;
};

inline constexpr std::size_t kMaxParameters = 8;

// Fills `slots` (one per parameter, borrowed references) with the argument
// given for each parameter, or nullptr where none was. Returns false with
// a TypeError set when the call does not fit the signature.
bool parse_call(const Signature& signature, PyObject* const* args, Py_ssize_t nargsf,
                PyObject* kwnames, PyObject** slots);

}  // namespace lumra::python
