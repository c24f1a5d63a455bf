// Best-span alignment of a query inside a longer text.
#include "core/alignment/partial_alignment.h"
#include "python/arguments.h"
#include "python/error_mapping.h"
#include "python/functions.h"
#include "python/gil.h"

namespace lumra::python {

namespace {

constexpr Parameter kCountCutoff[] = {{"query", Kind::kText},
                                      {"text", Kind::kText},
                                      {"max_span_chars", Kind::kCount},
                                      {"score_cutoff", Kind::kCount, true, true}};
constexpr Parameter kRealCutoff[] = {{"query", Kind::kText},
                                     {"text", Kind::kText},
                                     {"max_span_chars", Kind::kCount},
                                     {"score_cutoff", Kind::kReal, true, true}};

PyObject* score_to_python(std::uint64_t score) { return PyLong_FromUnsignedLongLong(score); }
PyObject* score_to_python(double score) { return PyFloat_FromDouble(score); }

// (score, query start, query end, span start, span end), or None.
template <class Score>
PyObject* alignment_to_python(const std::optional<Alignment<Score>>& alignment) {
  if (!alignment) Py_RETURN_NONE;
  return Py_BuildValue("(NKKKK)", score_to_python(alignment->score),
                       static_cast<unsigned long long>(alignment->query_start),
                       static_cast<unsigned long long>(alignment->query_end),
                       static_cast<unsigned long long>(alignment->span_start),
                       static_cast<unsigned long long>(alignment->span_end));
}

template <class Align>
PyObject* alignment(const Signature& signature, PyObject* const* args, Py_ssize_t nargsf,
                    PyObject* kwnames, Align&& align) {
  return guarded([&]() -> PyObject* {
    Arguments a;
    if (!a.convert(signature, args, nargsf, kwnames)) return nullptr;
    auto found = without_lock([&] { return align(a); });
    if (!found) return raise_error(found.error());
    return alignment_to_python(found.value());
  });
}

}  // namespace

PyObject* partial_distance_alignment(PyObject*, PyObject* const* args, Py_ssize_t nargsf,
                                     PyObject* kwnames) {
  static constexpr Signature kSignature{"_partial_distance_alignment()", kCountCutoff};
  return alignment(kSignature, args, nargsf, kwnames, [](const Arguments& a) {
    return lumra::partial_distance_alignment(a.text(0), a.text(1), a.count(2),
                                             a.optional_count(3));
  });
}

PyObject* partial_ratio_alignment(PyObject*, PyObject* const* args, Py_ssize_t nargsf,
                                  PyObject* kwnames) {
  static constexpr Signature kSignature{"_partial_ratio_alignment()", kRealCutoff};
  return alignment(kSignature, args, nargsf, kwnames, [](const Arguments& a) {
    return lumra::partial_ratio_alignment(a.text(0), a.text(1), a.count(2), a.optional_real(3));
  });
}

}  // namespace lumra::python
