#include "python/call_parser.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace lumra::python {

namespace {

// "distance()" or "JapaneseDictionary.distance()", as messages name a callee.
std::string callee(const CallShape& shape) {
  std::string out;
  if (shape.owner != nullptr) {
    out += shape.owner;
    out += '.';
  }
  out += shape.name;
  out += "()";
  return out;
}

// 'a'; 'a' and 'b'; 'a', 'b', and 'c' — as CPython lists missing names.
std::string quoted_names(const std::vector<const char*>& names) {
  std::string out;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) {
      if (names.size() > 2) out += ",";
      out += " ";
      if (i + 1 == names.size()) out += "and ";
    }
    out += "'";
    out += names[i];
    out += "'";
  }
  return out;
}

bool too_many_positional(const CallShape& shape, std::size_t given) {
  const std::size_t maximum = shape.positional;
  const std::size_t minimum = shape.required_positional;
  if (given <= maximum) return false;
  const char* verb = given == 1 ? "was" : "were";
  if (minimum == maximum) {
    PyErr_Format(PyExc_TypeError, "%s takes %zu positional argument%s but %zu %s given",
                 callee(shape).c_str(), maximum, maximum == 1 ? "" : "s", given, verb);
  } else {
    PyErr_Format(PyExc_TypeError, "%s takes from %zu to %zu positional arguments but %zu %s given",
                 callee(shape).c_str(), minimum, maximum, given, verb);
  }
  return true;
}

bool missing_required(const CallShape& shape, PyObject** slots, bool keyword_only) {
  std::vector<const char*> missing;
  for (std::size_t i = 0; i < shape.parameters.size(); ++i) {
    const ParameterInfo& p = shape.parameters[i];
    if (p.keyword_only == keyword_only && p.presence == Presence::kRequired &&
        slots[i] == nullptr) {
      missing.push_back(p.name);
    }
  }
  if (missing.empty()) return false;
  PyErr_Format(PyExc_TypeError, "%s missing %zu required %s argument%s: %s",
               callee(shape).c_str(), missing.size(), keyword_only ? "keyword" : "positional",
               missing.size() == 1 ? "" : "s", quoted_names(missing).c_str());
  return true;
}

// Keyword names arrive as exact, usually ASCII, str objects; comparing their
// bytes in place is much cheaper than the general comparison and a
// non-ASCII keyword can never name one of our parameters.
// Names of 8 to 16 bytes ("score_cutoff") are compared as two overlapping
// words, a few instructions where a call to memcmp costs a few dozen.
bool keyword_is(PyObject* keyword, const ParameterInfo& parameter) {
  if (!PyUnicode_IS_ASCII(keyword)) return false;
  const auto length = static_cast<std::size_t>(PyUnicode_GET_LENGTH(keyword));
  if (parameter.name_length != length) return false;
  const auto* given = static_cast<const char*>(PyUnicode_DATA(keyword));
  if (length < 8 || length > 16) return std::memcmp(given, parameter.name, length) == 0;
  const auto word = [](const char* at) {
    std::uint64_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
  };
  return ((word(given) ^ word(parameter.name)) |
          (word(given + length - 8) ^ word(parameter.name + length - 8))) == 0;
}

}  // namespace

bool parse_call(const CallShape& shape, PyObject* const* args, std::size_t given,
                PyObject* kwnames, PyObject** slots) {
  const std::size_t count = shape.parameters.size();

  // Most calls pass positional arguments only and leave out nothing that is
  // required; they need none of the checks below.
  if (kwnames == nullptr && given >= shape.required_positional && given <= shape.positional &&
      shape.required_keywords == 0) {
    for (std::size_t i = 0; i < given; ++i) slots[i] = args[i];
    for (std::size_t i = given; i < count; ++i) slots[i] = nullptr;
    return true;
  }

  // The next most common: every parameter but the last by position and the
  // last one (score_cutoff) by keyword. Nothing can be missing, doubled or
  // unexpected then.
  if (kwnames != nullptr && given + 1 == count && given >= shape.required_positional &&
      given <= shape.positional && PyTuple_GET_SIZE(kwnames) == 1) {
    PyObject* keyword = PyTuple_GET_ITEM(kwnames, 0);
    if (PyUnicode_Check(keyword) && keyword_is(keyword, shape.parameters[given])) {
      for (std::size_t i = 0; i <= given; ++i) slots[i] = args[i];
      return true;
    }
  }

  for (std::size_t i = 0; i < count; ++i) slots[i] = nullptr;
  if (too_many_positional(shape, given)) return false;
  for (std::size_t i = 0; i < given; ++i) slots[i] = args[i];

  const Py_ssize_t keyword_count = kwnames ? PyTuple_GET_SIZE(kwnames) : 0;
  for (Py_ssize_t k = 0; k < keyword_count; ++k) {
    PyObject* keyword = PyTuple_GET_ITEM(kwnames, k);
    // Python code can only name keywords with str, but a caller of the C
    // API can put anything in the tuple.
    if (!PyUnicode_Check(keyword)) {
      PyErr_SetString(PyExc_TypeError, "keywords must be strings");
      return false;
    }
    // Callers name the trailing, optional parameters far more often than
    // the leading ones, so the search starts from the end.
    std::size_t match = count;
    for (std::size_t i = count; i-- > 0;) {
      if (keyword_is(keyword, shape.parameters[i])) {
        match = i;
        break;
      }
    }
    if (match == count) {
      PyErr_Format(PyExc_TypeError, "%s got an unexpected keyword argument '%U'",
                   callee(shape).c_str(), keyword);
      return false;
    }
    if (slots[match] != nullptr) {
      PyErr_Format(PyExc_TypeError, "%s got multiple values for argument '%s'",
                   callee(shape).c_str(), shape.parameters[match].name);
      return false;
    }
    slots[match] = args[given + static_cast<std::size_t>(k)];
  }

  // One cheap pass for the usual, complete call; the messages are built
  // only when something is missing.
  bool complete = true;
  for (std::size_t i = 0; i < count; ++i) {
    complete &= shape.parameters[i].presence != Presence::kRequired || slots[i] != nullptr;
  }
  if (complete) return true;
  if (missing_required(shape, slots, /*keyword_only=*/false)) return false;
  if (missing_required(shape, slots, /*keyword_only=*/true)) return false;
  return true;
}

}  // namespace lumra::python
