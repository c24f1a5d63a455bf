// Metrics between two lists of alternative spellings.
#include <cstdint>
#include <optional>
#include <vector>

#include "core/lattice/path_metrics.h"
#include "python/binding.h"
#include "python/gil.h"
#include "python/module/functions.h"
#include "python/results.h"

namespace lumra::python {

namespace {

template <class Cutoff>
struct PathsCall {
  TextTable left_paths;
  TextTable right_paths;
  std::optional<Cutoff> score_cutoff;
};
using CountPaths = PathsCall<std::uint64_t>;
using RealPaths = PathsCall<double>;

struct ThresholdCall {
  TextTable left_paths;
  TextTable right_paths;
  std::uint64_t threshold;
};

constexpr auto kCountCutoff = parameters(
    text_list("left_paths", &CountPaths::left_paths),
    text_list("right_paths", &CountPaths::right_paths), kKeywordOnly,
    optional_count("score_cutoff", &CountPaths::score_cutoff));
constexpr auto kRealCutoff = parameters(
    text_list("left_paths", &RealPaths::left_paths),
    text_list("right_paths", &RealPaths::right_paths), kKeywordOnly,
    optional_real("score_cutoff", &RealPaths::score_cutoff));
constexpr auto kThreshold = parameters(text_list("left_paths", &ThresholdCall::left_paths),
                                       text_list("right_paths", &ThresholdCall::right_paths),
                                       count("threshold", &ThresholdCall::threshold));

constexpr auto kDistancePaths = function_signature("distance_paths", kCountCutoff);
constexpr auto kDamerauDistancePaths = function_signature("damerau_distance_paths", kCountCutoff);
constexpr auto kNormalizedDistancePaths =
    function_signature("normalized_distance_paths", kRealCutoff);
constexpr auto kNormalizedSimilarityPaths =
    function_signature("normalized_similarity_paths", kRealCutoff);
constexpr auto kRatioPaths = function_signature("ratio_paths", kRealCutoff);
constexpr auto kWithinDistancePaths = function_signature("within_distance_paths", kThreshold);
constexpr auto kWithinDamerauDistancePaths =
    function_signature("within_damerau_distance_paths", kThreshold);

// Runs the metric on the two lists with the lock released and returns its
// value or raises its error.
template <auto kMetric, class Call>
PyObject* path_metric(const Call& call) {
  auto result = without_lock([&] {
    if constexpr (requires { call.threshold; }) {
      return kMetric(call.left_paths, call.right_paths, call.threshold, PathListNames{});
    } else {
      return kMetric(call.left_paths, call.right_paths, call.score_cutoff, PathListNames{});
    }
  });
  if (!result) return nullptr;
  return to_python_or_raise(std::move(*result));
}

PyMethodDef kFunctions[] = {
    function_entry<kDistancePaths, &path_metric<lumra::distance_paths, CountPaths>>(),
    function_entry<kDamerauDistancePaths,
                   &path_metric<lumra::damerau_distance_paths, CountPaths>>(),
    function_entry<kNormalizedDistancePaths,
                   &path_metric<lumra::normalized_distance_paths, RealPaths>>(),
    function_entry<kNormalizedSimilarityPaths,
                   &path_metric<lumra::normalized_similarity_paths, RealPaths>>(),
    function_entry<kRatioPaths, &path_metric<lumra::normalized_similarity_paths, RealPaths>>(),
    function_entry<kWithinDistancePaths,
                   &path_metric<lumra::within_distance_paths, ThresholdCall>>(),
    function_entry<kWithinDamerauDistancePaths,
                   &path_metric<lumra::within_damerau_distance_paths, ThresholdCall>>(),
};

}  // namespace

std::span<PyMethodDef> path_functions() { return kFunctions; }

}  // namespace lumra::python
