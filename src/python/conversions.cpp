#include "python/conversions.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "core/base/cpu_features.h"
#include "python/error_mapping.h"
#include "python/owned_ref.h"

namespace lumra::python {

namespace {

// The name callers know a type by, e.g. 'bytes' or a class's qualified name.
OwnedRef type_name(PyObject* object) { return OwnedRef(PyType_GetQualName(Py_TYPE(object))); }

void not_an_instance(PyObject* object, const char* name, const char* expected) {
  if (object == Py_None) {
    PyErr_Format(PyExc_TypeError, "argument '%s': 'None' is not an instance of '%s'", name,
                 expected);
    return;
  }
  const OwnedRef type = type_name(object);
  if (!type) return;
  PyErr_Format(PyExc_TypeError, "argument '%s': '%U' object is not an instance of '%s'", name,
               type.get(), expected);
}

// Re-raises a pending TypeError with the argument's name in front. Only an
// exception whose type is exactly TypeError is rewritten.
void prefix_type_error(const char* name) {
  OwnedRef raised(PyErr_GetRaisedException());
  if (!raised || Py_TYPE(raised.get()) != reinterpret_cast<PyTypeObject*>(PyExc_TypeError)) {
    PyErr_SetRaisedException(raised.release());
    return;
  }
  const OwnedRef text(PyObject_Str(raised.get()));
  if (!text) return;  // the failure to build the replacement is the pending error
  const OwnedRef message(PyUnicode_FromFormat("argument '%s': %U", name, text.get()));
  if (!message) return;
  OwnedRef replacement(PyObject_CallOneArg(PyExc_TypeError, message.get()));
  if (!replacement) return;
  PyException_SetCause(replacement.get(), PyException_GetCause(raised.get()));
  PyErr_SetRaisedException(replacement.release());
}

// Whether a failed conversion must reach the caller as it is rather than
// be replaced by a message of ours: running out of memory, and the
// exceptions that are no errors of the value (KeyboardInterrupt,
// SystemExit), which no message about an argument may hide.
bool must_propagate(PyObject* exception) {
  return PyErr_GivenExceptionMatches(exception, PyExc_MemoryError) ||
         !PyErr_GivenExceptionMatches(exception, PyExc_Exception);
}

// Widens a str's code units to symbols; false when one of them is a
// surrogate, which cannot stand alone in a str meant as text. One-byte units
// never are.
template <class Unit>
[[gnu::always_inline]] inline bool widen_units(const Unit* units, std::size_t length,
                                               Symbol* out) {
  Symbol surrogates = 0;
  for (std::size_t i = 0; i < length; ++i) {
    const Symbol c = units[i];
    if constexpr (sizeof(Unit) > 1) surrogates |= (c - 0xD800u) < 0x800u;
    out[i] = c;
  }
  return surrogates == 0;
}

using Widen = bool (*)(const void*, std::size_t, Symbol*);

template <class Unit>
bool widen_portable(const void* units, std::size_t length, Symbol* out) {
  return widen_units(static_cast<const Unit*>(units), length, out);
}

#if defined(__x86_64__)
// The same loops compiled for AVX2, which widens sixteen units per
// instruction pair instead of the baseline's unpacking in steps; picked at
// run time, so the build itself stays portable.
template <class Unit>
__attribute__((target("avx2"))) bool widen_avx2(const void* units, std::size_t length,
                                                 Symbol* out) {
  return widen_units(static_cast<const Unit*>(units), length, out);
}
#endif

template <class Unit>
Widen widen_for_this_cpu() {
#if defined(__x86_64__)
  if (avx2_available()) return widen_avx2<Unit>;
#endif
  return widen_portable<Unit>;
}

bool refuse_surrogates(PyObject* text);

// Copies the string's code points straight from its internal storage. A
// lone surrogate cannot be a scalar value; the UTF-8 encoder then reports
// it with its own UnicodeEncodeError.
// `symbols` has room for the str's length.
bool widen_scalar_values(PyObject* text, Symbol* symbols) {
  const auto count = static_cast<std::size_t>(PyUnicode_GET_LENGTH(text));
  const void* data = PyUnicode_DATA(text);
  const int kind = PyUnicode_KIND(text);
  bool valid;
  // A word or a name is copied in fewer steps than a vector loop takes to
  // get going.
  constexpr std::size_t kShort = 16;
  if (count <= kShort) {
    valid = kind == PyUnicode_1BYTE_KIND
                ? widen_units(static_cast<const Py_UCS1*>(data), count, symbols)
            : kind == PyUnicode_2BYTE_KIND
                ? widen_units(static_cast<const Py_UCS2*>(data), count, symbols)
                : widen_units(static_cast<const Py_UCS4*>(data), count, symbols);
  } else {
    static const Widen widen_kind[] = {widen_for_this_cpu<Py_UCS1>(),
                                       widen_for_this_cpu<Py_UCS2>(),
                                       widen_for_this_cpu<Py_UCS4>()};
    const Widen widen = widen_kind[kind == PyUnicode_1BYTE_KIND   ? 0
                                   : kind == PyUnicode_2BYTE_KIND ? 1
                                                                  : 2];
    valid = widen(data, count, symbols);
  }
  if (valid) return true;
  return refuse_surrogates(text);
}

bool copy_scalar_values(PyObject* text, SymbolString& out) {
  return widen_scalar_values(text,
                             out.reset(static_cast<std::size_t>(PyUnicode_GET_LENGTH(text))));
}

bool append_scalar_values(PyObject* text, TextTable& out) {
  return widen_scalar_values(text,
                             out.append(static_cast<std::size_t>(PyUnicode_GET_LENGTH(text))));
}

// A str holding a lone surrogate, reported as the UTF-8 encoder reports it.
bool refuse_surrogates(PyObject* text) {
  Py_ssize_t size;
  if (PyUnicode_AsUTF8AndSize(text, &size) == nullptr) return false;
  // Unreachable for a str holding a surrogate, but never report success
  // without data.
  PyErr_SetString(PyExc_UnicodeError, "string is not valid Unicode");
  return false;
}

// Lends the str's own storage: only 2- and 4-byte strs can hold surrogates,
// and they are looked for without copying anything.
bool lend_scalar_values(PyObject* text, NativeText& out) {
  const auto length = static_cast<std::size_t>(PyUnicode_GET_LENGTH(text));
  const int kind = PyUnicode_KIND(text);
  const void* data = PyUnicode_DATA(text);
  out = {data, length, static_cast<unsigned>(kind)};
  if (free_of_surrogates(out)) return true;
  return refuse_surrogates(text);
}

// Copies the string's UTF-8 form; CPython's encoder refuses lone surrogates
// with its UnicodeEncodeError.
bool copy_utf8(PyObject* text, std::string& out) {
  Py_ssize_t size;
  const char* utf8 = PyUnicode_AsUTF8AndSize(text, &size);
  if (utf8 == nullptr) return false;
  out.assign(utf8, static_cast<std::size_t>(size));
  return true;
}

bool is_numpy_bool(PyObject* object) {
  const char* name = Py_TYPE(object)->tp_name;
  return std::strcmp(name, "numpy.bool") == 0 || std::strcmp(name, "numpy.bool_") == 0;
}

}  // namespace

bool convert_text(PyObject* object, const char* name, SymbolString& out) {
  if (!PyUnicode_Check(object)) {
    not_an_instance(object, name, "str");
    return false;
  }
  return copy_scalar_values(object, out);
}

bool convert_text(PyObject* object, const char* name, NativeText& out) {
  if (!PyUnicode_Check(object)) {
    not_an_instance(object, name, "str");
    return false;
  }
  return lend_scalar_values(object, out);
}

bool convert_text(PyObject* object, const char* name, std::string& out) {
  if (!PyUnicode_Check(object)) {
    not_an_instance(object, name, "str");
    return false;
  }
  return copy_utf8(object, out);
}

namespace {

// Reads a text list item by item into `out`, each str through `convert_item`
// (false with the Python error set).
// Where convert_items puts the items: a vector of one value per item...
template <class Item, bool (*kConvert)(PyObject*, Item&)>
struct ItemVector {
  std::vector<Item>& items;
  void clear() { items.clear(); }
  void reserve(std::size_t n) { items.reserve(n); }
  bool add(PyObject* text) {
    items.emplace_back();
    return kConvert(text, items.back());
  }
};

// ...or the texts of one table.
struct TableItems {
  TextTable& texts;
  void clear() { texts.clear(); }
  void reserve(std::size_t n) { texts.reserve_texts(n); }
  bool add(PyObject* text) { return append_scalar_values(text, texts); }
};

template <class Items>
bool convert_items(PyObject* object, const char* name, Items out) {
  out.clear();
  if (PyUnicode_Check(object)) {
    PyErr_Format(PyExc_TypeError, "argument '%s': Can't extract `str` to `Vec`", name);
    return false;
  }
  if (!PySequence_Check(object)) {
    not_an_instance(object, name, "Sequence");
    return false;
  }
  // The length only presizes the list: the items are read by iteration, and
  // a sequence may report any length, so the presizing is capped.
  constexpr Py_ssize_t kLargestPresize = 1 << 16;
  // A failing __len__ loses only the presizing, unless what it raised is
  // no error of the value (KeyboardInterrupt, MemoryError), which must
  // reach the caller.
  const Py_ssize_t hint = PySequence_Size(object);
  if (hint < 0) {
    OwnedRef failure(PyErr_GetRaisedException());
    if (must_propagate(failure.get())) {
      PyErr_SetRaisedException(failure.release());
      return false;
    }
  } else {
    out.reserve(static_cast<std::size_t>(std::min(hint, kLargestPresize)));
  }

  const OwnedRef iterator(PyObject_GetIter(object));
  if (!iterator) {
    prefix_type_error(name);
    return false;
  }
  while (const OwnedRef item = OwnedRef(PyIter_Next(iterator.get()))) {
    if (!PyUnicode_Check(item.get())) {
      not_an_instance(item.get(), name, "str");
      out.clear();
      return false;
    }
    if (!out.add(item.get())) {
      out.clear();
      return false;
    }
  }
  if (PyErr_Occurred()) {
    prefix_type_error(name);
    out.clear();
    return false;
  }
  return true;
}

}  // namespace

bool convert_text_list(PyObject* object, const char* name, std::vector<SymbolString>& out) {
  return convert_items(object, name, ItemVector<SymbolString, copy_scalar_values>{out});
}

namespace {

// Appends `count` strs to `out`; false with the error set at the first one
// holding a lone surrogate.
using AppendStrs = bool (*)(PyObject* const* strs, std::size_t count, TextTable& out);

bool append_strs_portable(PyObject* const* strs, std::size_t count, TextTable& out) {
  for (std::size_t i = 0; i < count; ++i) {
    if (!append_scalar_values(strs[i], out)) return false;
  }
  return true;
}

#if defined(__x86_64__)
// Names and words are mostly 1-byte strs of a few to a few dozen symbols,
// too short for the vector loops of widen_scalar_values to get going; here
// eight units become eight symbols in one instruction, the last eight
// overlapping the ones before when the length is no multiple of eight.
__attribute__((target("avx2"))) bool append_strs_avx2(PyObject* const* strs, std::size_t count,
                                                       TextTable& out) {
  constexpr std::size_t kStep = 8;
  for (std::size_t i = 0; i < count; ++i) {
    PyObject* const text = strs[i];
    const auto length = static_cast<std::size_t>(PyUnicode_GET_LENGTH(text));
    if (PyUnicode_KIND(text) != PyUnicode_1BYTE_KIND || length < kStep) {
      if (!append_scalar_values(text, out)) return false;
      continue;
    }
    const auto* units = static_cast<const Py_UCS1*>(PyUnicode_DATA(text));
    Symbol* symbols = out.append(length);
    for (std::size_t at = 0;; at += kStep) {
      if (at + kStep > length) at = length - kStep;
      const __m128i eight = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(units + at));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(symbols + at), _mm256_cvtepu8_epi32(eight));
      if (at + kStep == length) break;
    }
  }
  return true;
}
#endif

AppendStrs append_strs_for_this_cpu() {
#if defined(__x86_64__)
  if (avx2_available()) return append_strs_avx2;
#endif
  return append_strs_portable;
}

// The items of an exact list or tuple, read where the container keeps them:
// iterating such a container yields exactly these items in this order, and
// reading them in place spares a call, a reference and a table growth per
// item. A first pass adds up the lengths, so the table is sized once; it
// stops at the first item that is no str, and the texts before it are still
// converted first, so that a lone surrogate among them is reported before
// that item, as item-by-item reading would.
bool convert_str_items(PyObject* const* items, std::size_t count, const char* name,
                       TextTable& out) {
  std::size_t strs = 0;
  std::size_t symbols = 0;
  for (; strs < count && PyUnicode_Check(items[strs]); ++strs) {
    symbols += static_cast<std::size_t>(PyUnicode_GET_LENGTH(items[strs]));
  }
  out.reserve_texts(strs);
  out.reserve_symbols(symbols);
  static const AppendStrs append_strs = append_strs_for_this_cpu();
  if (!append_strs(items, strs, out)) {
    out.clear();
    return false;
  }
  if (strs < count) {
    not_an_instance(items[strs], name, "str");
    out.clear();
    return false;
  }
  return true;
}

}  // namespace

bool convert_text_list(PyObject* object, const char* name, TextTable& out) {
  if (PyList_CheckExact(object) || PyTuple_CheckExact(object)) {
    out.clear();
    bool converted;
    // Another thread could change a list between the two passes where no
    // interpreter lock keeps it still.
    Py_BEGIN_CRITICAL_SECTION(object);
    converted = convert_str_items(PySequence_Fast_ITEMS(object),
                                  static_cast<std::size_t>(PySequence_Fast_GET_SIZE(object)),
                                  name, out);
    Py_END_CRITICAL_SECTION();
    return converted;
  }
  return convert_items(object, name, TableItems{out});
}

bool convert_text_list(PyObject* object, const char* name, std::vector<std::string>& out) {
  return convert_items(object, name, ItemVector<std::string, copy_utf8>{out});
}

bool convert_count(PyObject* object, const char* name, std::uint64_t& out) {
  // Cutoffs and limits are small ints, whose value CPython keeps in the
  // object itself: read in place, without the general conversion's call.
  // A negative one takes the general way, to its OverflowError.
  if (PyLong_CheckExact(object) && PyUnstable_Long_IsCompact(reinterpret_cast<PyLongObject*>(object))) {
    const Py_ssize_t value = PyUnstable_Long_CompactValue(reinterpret_cast<PyLongObject*>(object));
    if (value >= 0) {
      out = static_cast<std::uint64_t>(value);
      return true;
    }
  }
  const OwnedRef index(PyLong_CheckExact(object) ? Py_NewRef(object) : PyNumber_Index(object));
  if (!index) {
    prefix_type_error(name);
    return false;
  }
  const unsigned long long value = PyLong_AsUnsignedLongLong(index.get());
  if (value == static_cast<unsigned long long>(-1) && PyErr_Occurred()) {
    prefix_type_error(name);
    return false;
  }
  out = value;
  return true;
}

bool convert_real(PyObject* object, const char* name, double& out) {
  if (PyFloat_CheckExact(object)) {
    out = PyFloat_AS_DOUBLE(object);
    return true;
  }
  const double value = PyFloat_AsDouble(object);
  if (value == -1.0 && PyErr_Occurred()) {
    prefix_type_error(name);
    return false;
  }
  out = value;
  return true;
}

bool convert_flag(PyObject* object, const char* name, bool& out) {
  if (object == Py_True || object == Py_False) {
    out = object == Py_True;
    return true;
  }
  if (is_numpy_bool(object)) {
    const int truth = PyObject_IsTrue(object);
    if (truth < 0) {
      prefix_type_error(name);
      return false;
    }
    out = truth == 1;
    return true;
  }
  not_an_instance(object, name, "bool");
  return false;
}

bool convert_combined_cutoff(PyObject* object, std::uint64_t& out) {
  if (PyBool_Check(object)) {
    raise_error(CombinedCutoffNotInt{});
    return false;
  }
  const long long value = PyLong_AsLongLong(object);
  if (value == -1 && PyErr_Occurred()) {
    OwnedRef failure(PyErr_GetRaisedException());
    if (must_propagate(failure.get())) {
      PyErr_SetRaisedException(failure.release());
      return false;
    }
    raise_error(CombinedCutoffNotInt{});
    set_cause(std::move(failure));
    return false;
  }
  if (value < 0) {
    raise_error(CombinedCutoffNegative{});
    return false;
  }
  out = static_cast<std::uint64_t>(value);
  return true;
}

}  // namespace lumra::python
