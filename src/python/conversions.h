// Conversion of one Python argument into owned C++ data, by parameter kind.
//
// Each function returns false with the Python error set on failure. A
// TypeError raised while converting is reported as
// "argument '{name}': {message}", keeping the original's __cause__; other
// exception types (OverflowError, UnicodeEncodeError, ...) pass unchanged.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/base/symbols.h"
#include "core/base/text_table.h"
#include "core/strings/native_text.h"
#include "python/python.h"

namespace lumra::python {

// A text as scalar values, for the metrics, or as UTF-8, for names and paths.
bool convert_text(PyObject* object, const char* name, SymbolString& out);
bool convert_text(PyObject* object, const char* name, std::string& out);
// A text left where it is, in the str's own 1-, 2- or 4-byte storage: valid
// for as long as the argument is referenced, which a call's arguments are
// until it returns. Lone surrogates are refused as for SymbolString.
bool convert_text(PyObject* object, const char* name, NativeText& out);
// A text list as scalar values, or as UTF-8 for the dictionaries' readings.
bool convert_text_list(PyObject* object, const char* name, std::vector<SymbolString>& out);
bool convert_text_list(PyObject* object, const char* name, std::vector<std::string>& out);
// The same, every text in one buffer.
bool convert_text_list(PyObject* object, const char* name, TextTable& out);
bool convert_count(PyObject* object, const char* name, std::uint64_t& out);
bool convert_real(PyObject* object, const char* name, double& out);
bool convert_flag(PyObject* object, const char* name, bool& out);

// The combined distance's cutoff: any int in the signed 64-bit range that is
// not a bool, and not negative. When the integer conversion fails, its
// exception becomes the __cause__ of our TypeError; running out of memory
// and interruptions (KeyboardInterrupt, SystemExit) pass unchanged.
bool convert_combined_cutoff(PyObject* object, std::uint64_t& out);

}  // namespace lumra::python
