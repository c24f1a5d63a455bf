// Best-span alignment of a query inside a longer text.
#include <cstdint>
#include <optional>

#include "core/alignment/partial_alignment.h"
#include "python/binding.h"
#include "python/gil.h"
#include "python/module/functions.h"
#include "python/results.h"

namespace lumra::python {

namespace {

template <class Cutoff>
struct AlignmentCall {
  SymbolString query;
  SymbolString text;
  std::uint64_t max_span_chars;
  std::optional<Cutoff> score_cutoff;
};
using CountAlignment = AlignmentCall<std::uint64_t>;
using RealAlignment = AlignmentCall<double>;

constexpr auto kCountCutoff = parameters(
    text("query", &CountAlignment::query), text("text", &CountAlignment::text),
    count("max_span_chars", &CountAlignment::max_span_chars), kKeywordOnly,
    optional_count("score_cutoff", &CountAlignment::score_cutoff));
constexpr auto kRealCutoff = parameters(
    text("query", &RealAlignment::query), text("text", &RealAlignment::text),
    count("max_span_chars", &RealAlignment::max_span_chars), kKeywordOnly,
    optional_real("score_cutoff", &RealAlignment::score_cutoff));

constexpr auto kPartialDistanceAlignment =
    function_signature("_partial_distance_alignment", kCountCutoff);
constexpr auto kPartialRatioAlignment =
    function_signature("_partial_ratio_alignment", kRealCutoff);

template <auto kAlign, class Call>
PyObject* alignment(const Call& call) {
  auto found = without_lock(
      [&] { return kAlign(call.query, call.text, call.max_span_chars, call.score_cutoff); });
  if (!found) return nullptr;
  return value_or_raise(std::move(*found),
                        [](const auto& best) { return alignment_to_python(best); });
}

PyMethodDef kFunctions[] = {
    function_entry<kPartialDistanceAlignment,
                   &alignment<lumra::partial_distance_alignment, CountAlignment>>(),
    function_entry<kPartialRatioAlignment,
                   &alignment<lumra::partial_ratio_alignment, RealAlignment>>(),
};

}  // namespace

std::span<PyMethodDef> alignment_functions() { return kFunctions; }

}  // namespace lumra::python
