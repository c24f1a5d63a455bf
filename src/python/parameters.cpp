#include "python/parameters.h"

#include <cstring>
#include <string>
#include <vector>

namespace lumra::python {

namespace {

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

bool too_many_positional(const Signature& signature, std::size_t given) {
  std::size_t maximum = 0;
  std::size_t minimum = 0;
  for (const Parameter& p : signature.parameters) {
    if (p.keyword_only) continue;
    ++maximum;
    if (!p.optional) ++minimum;
  }
  if (given <= maximum) return false;
  const char* verb = given == 1 ? "was" : "were";
  if (minimum == maximum) {
    PyErr_Format(PyExc_TypeError, "%s takes %zu positional argument%s but %zu %s given",
                 signature.function, maximum, maximum == 1 ? "" : "s", given, verb);
  } else {
    PyErr_Format(PyExc_TypeError, "%s takes from %zu to %zu positional arguments but %zu %s given",
                 signature.function, minimum, maximum, given, verb);
  }
  return true;
}

bool missing_required(const Signature& signature, PyObject** slots, bool keyword_only) {
  std::vector<const char*> missing;
  for (std::size_t i = 0; i < signature.parameters.size(); ++i) {
    const Parameter& p = signature.parameters[i];
    if (p.keyword_only == keyword_only && !p.optional && slots[i] == nullptr) {
      missing.push_back(p.name);
    }
  }
  if (missing.empty()) return false;
  PyErr_Format(PyExc_TypeError, "%s missing %zu required %s argument%s: %s", signature.function,
               missing.size(), keyword_only ? "keyword" : "positional",
               missing.size() == 1 ? "" : "s", quoted_names(missing).c_str());
  return true;
}

// Keyword names arrive as exact, usually ASCII, str objects; comparing their
// bytes in place is much cheaper than the general comparison and a
// non-ASCII keyword can never name one of our parameters.
bool keyword_is(PyObject* keyword, const Parameter& parameter) {
  if (!PyUnicode_IS_ASCII(keyword)) return false;
  const auto length = static_cast<std::size_t>(PyUnicode_GET_LENGTH(keyword));
  return parameter.name_length == length &&
         std::memcmp(PyUnicode_DATA(keyword), parameter.name, length) == 0;
}

}  // namespace

bool parse_call(const Signature& signature, PyObject* const* args, Py_ssize_t nargsf,
                PyObject* kwnames, PyObject** slots) {
  const std::size_t count = signature.parameters.size();
  const auto given = static_cast<std::size_t>(PyVectorcall_NARGS(nargsf));

  // Most calls pass positional arguments only and leave out nothing that is
  // required; they need none of the checks below.
  if (kwnames == nullptr && given >= signature.required_positional &&
      given <= signature.positional && signature.required_keywords == 0) {
    for (std::size_t i = 0; i < given; ++i) slots[i] = args[i];
    for (std::size_t i = given; i < count; ++i) slots[i] = nullptr;
    return true;
  }

  for (std::size_t i = 0; i < count; ++i) slots[i] = nullptr;
  // Keyword-only parameters follow the positional ones, so a call whose
  // last positional argument lands on a positional parameter has not given
  // too many; only other calls count them.
  if (given > count || (given > 0 && signature.parameters[given - 1].keyword_only)) {
    if (too_many_positional(signature, given)) return false;
  }
  for (std::size_t i = 0; i < given; ++i) slots[i] = args[i];

  const Py_ssize_t keyword_count = kwnames ? PyTuple_GET_SIZE(kwnames) : 0;
  for (Py_ssize_t k = 0; k < keyword_count; ++k) {
    PyObject* keyword = PyTuple_GET_ITEM(kwnames, k);
    // Callers name the trailing, optional parameters far more often than
    // the leading ones, so the search starts from the end.
    std::size_t match = count;
    for (std::size_t i = count; i-- > 0;) {
      if (keyword_is(keyword, signature.parameters[i])) {
        match = i;
        break;
      }
    }
    if (match == count) {
      PyErr_Format(PyExc_TypeError, "%s got an unexpected keyword argument '%U'",
                   signature.function, keyword);
      return false;
    }
    if (slots[match] != nullptr) {
      PyErr_Format(PyExc_TypeError, "%s got multiple values for argument '%s'",
                   signature.function, signature.parameters[match].name);
      return false;
    }
    slots[match] = args[given + static_cast<std::size_t>(k)];
  }

  // One cheap pass for the usual, complete call; the messages are built
  // only when something is missing.
  bool complete = true;
  for (std::size_t i = 0; i < count; ++i) {
    complete &= signature.parameters[i].optional || slots[i] != nullptr;
  }
  if (complete) return true;
  if (missing_required(signature, slots, /*keyword_only=*/false)) return false;
  if (missing_required(signature, slots, /*keyword_only=*/true)) return false;
  return true;
}

}  // namespace lumra::python
