// Metrics between two plain strings.
#include <cstdint>
#include <optional>

#include "core/strings/native_metrics.h"
#include "core/strings/string_metrics.h"
#include "python/binding.h"
#include "python/gil.h"
#include "python/module/functions.h"
#include "python/results.h"

namespace lumra::python {

namespace {

// The integer metrics read both texts where the str keeps them: the lengths,
// the common affixes or a tight cutoff often settle a pair before anything
// would be worth copying.
template <class Text, class Cutoff>
struct PairCall {
  Text left;
  Text right;
  std::optional<Cutoff> score_cutoff;
};
using CountPair = PairCall<NativeText, std::uint64_t>;
using RealPair = PairCall<SymbolString, double>;

constexpr auto kCountCutoff =
    parameters(text("left", &CountPair::left), text("right", &CountPair::right), kKeywordOnly,
               optional_count("score_cutoff", &CountPair::score_cutoff));
constexpr auto kCombinedCutoff =
    parameters(text("left", &CountPair::left), text("right", &CountPair::right), kKeywordOnly,
               combined_cutoff("score_cutoff", &CountPair::score_cutoff));
constexpr auto kRealCutoff =
    parameters(text("left", &RealPair::left), text("right", &RealPair::right), kKeywordOnly,
               optional_real("score_cutoff", &RealPair::score_cutoff));

constexpr auto kDistance = function_signature("distance", kCountCutoff);
constexpr auto kDamerauDistance = function_signature("damerau_distance", kCountCutoff);
constexpr auto kCombinedDistance = function_signature("combined_distance", kCombinedCutoff);
constexpr auto kNormalizedDistance = function_signature("normalized_distance", kRealCutoff);
constexpr auto kNormalizedSimilarity = function_signature("normalized_similarity", kRealCutoff);
constexpr auto kRatio = function_signature("ratio", kRealCutoff);

using IntegerMetric = std::uint64_t (*)(NativeText, NativeText, std::optional<std::uint64_t>,
                                        StringWorkspace&);
using ScoreMetric = Result<double, CutoffOutOfRange> (*)(Symbols, Symbols, std::optional<double>,
                                                         StringWorkspace&);

template <IntegerMetric kMetric>
PyObject* integer_metric(const CountPair& call) {
  const std::uint64_t work =
      comparison_cells(call.left.length, call.right.length, call.score_cutoff);
  // The texts stay referenced by the call's arguments, and a str never
  // changes, so they are read without the lock as well.
  const auto value = without_lock_unless_tiny(work, [&] {
    StringWorkspace workspace;
    return kMetric(call.left, call.right, call.score_cutoff, workspace);
  });
  if (!value) return nullptr;
  return to_python(*value);
}

template <ScoreMetric kMetric>
PyObject* score_metric(const RealPair& call) {
  const std::uint64_t work = comparison_cells(call.left.size(), call.right.size(), std::nullopt);
  auto score = without_lock_unless_tiny(work, [&] {
    StringWorkspace workspace;
    return kMetric(call.left, call.right, call.score_cutoff, workspace);
  });
  if (!score) return nullptr;
  return to_python_or_raise(std::move(*score));
}

PyMethodDef kFunctions[] = {
    function_entry<kDistance, &integer_metric<levenshtein_with_cutoff>>(),
    function_entry<kDamerauDistance, &integer_metric<osa_with_cutoff>>(),
    function_entry<kCombinedDistance, &integer_metric<osa_with_cutoff>>(),
    function_entry<kNormalizedDistance, &score_metric<lumra::normalized_distance>>(),
    function_entry<kNormalizedSimilarity, &score_metric<lumra::normalized_similarity>>(),
    function_entry<kRatio, &score_metric<lumra::normalized_similarity>>(),
};

}  // namespace

std::span<PyMethodDef> string_functions() { return kFunctions; }

}  // namespace lumra::python
