// The converted calls of the dictionary methods and their parameter lists,
// shared by both dictionary classes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "python/parameter_list.h"

namespace lumra::python {

// load_payload(path, payload_format="yaml")
struct LoadPayloadCall {
  std::string path;
  std::string payload_format;
};
inline constexpr auto kLoadPayloadParameters =
    parameters(text("path", &LoadPayloadCall::path),
               text("payload_format", &LoadPayloadCall::payload_format, TextDefault{"yaml"}));

// load_bundle(metadata_path, bundle_dir=None)
struct LoadBundleCall {
  std::string metadata_path;
  std::optional<std::string> bundle_dir;
};
inline constexpr auto kLoadBundleParameters =
    parameters(text("metadata_path", &LoadBundleCall::metadata_path),
               optional_text("bundle_dir", &LoadBundleCall::bundle_dir));

// name($self, left, right, *, <reading options>, score_cutoff=None)
template <class Cutoff>
struct DictionaryPairCall {
  std::string left;
  std::string right;
  ReadingOptionArguments options;
  std::optional<Cutoff> score_cutoff;
};
using CountPairCall = DictionaryPairCall<std::uint64_t>;
using RealPairCall = DictionaryPairCall<double>;

inline constexpr auto kCountPairParameters = parameters(
    text("left", &CountPairCall::left), text("right", &CountPairCall::right), kKeywordOnly,
    reading_options(&CountPairCall::options),
    optional_count("score_cutoff", &CountPairCall::score_cutoff));
inline constexpr auto kCombinedPairParameters = parameters(
    text("left", &CountPairCall::left), text("right", &CountPairCall::right), kKeywordOnly,
    reading_options(&CountPairCall::options),
    combined_cutoff("score_cutoff", &CountPairCall::score_cutoff));
inline constexpr auto kRealPairParameters = parameters(
    text("left", &RealPairCall::left), text("right", &RealPairCall::right), kKeywordOnly,
    reading_options(&RealPairCall::options),
    optional_real("score_cutoff", &RealPairCall::score_cutoff));

// name($self, left, right, threshold, *, <reading options>)
struct DictionaryThresholdCall {
  std::string left;
  std::string right;
  std::uint64_t threshold;
  ReadingOptionArguments options;
};
inline constexpr auto kThresholdParameters =
    parameters(text("left", &DictionaryThresholdCall::left),
               text("right", &DictionaryThresholdCall::right),
               count("threshold", &DictionaryThresholdCall::threshold), kKeywordOnly,
               reading_options(&DictionaryThresholdCall::options));

// name($self, queries, choices, *, <reading options>, score_cutoff=None)
template <class Cutoff>
struct DictionaryMatrixCall {
  std::vector<std::string> queries;
  std::vector<std::string> choices;
  ReadingOptionArguments options;
  std::optional<Cutoff> score_cutoff;
};
using CountMatrixCall = DictionaryMatrixCall<std::uint64_t>;
using RealMatrixCall = DictionaryMatrixCall<double>;

inline constexpr auto kCountMatrixParameters = parameters(
    text_list("queries", &CountMatrixCall::queries),
    text_list("choices", &CountMatrixCall::choices), kKeywordOnly,
    reading_options(&CountMatrixCall::options),
    optional_count("score_cutoff", &CountMatrixCall::score_cutoff));
inline constexpr auto kCombinedMatrixParameters = parameters(
    text_list("queries", &CountMatrixCall::queries),
    text_list("choices", &CountMatrixCall::choices), kKeywordOnly,
    reading_options(&CountMatrixCall::options),
    combined_cutoff("score_cutoff", &CountMatrixCall::score_cutoff));
inline constexpr auto kRealMatrixParameters = parameters(
    text_list("queries", &RealMatrixCall::queries), text_list("choices", &RealMatrixCall::choices),
    kKeywordOnly, reading_options(&RealMatrixCall::options),
    optional_real("score_cutoff", &RealMatrixCall::score_cutoff));

}  // namespace lumra::python
