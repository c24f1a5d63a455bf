// What JapaneseDictionary takes from the Japanese readings: its index and
// loader, its option check, and the two reading forms of a text.
#pragma once

#include <memory>
#include <optional>
#include <string_view>
#include <variant>

#include "artifacts/bundle/bundle_error.h"
#include "artifacts/bundle/loaded_bundle.h"
#include "core/alignment/span_outlook.h"
#include "core/base/errors.h"
#include "core/base/result.h"
#include "core/strings/string_workspace.h"
#include "ja/japanese_distance_error.h"
#include "ja/reading/reading_options.h"
#include "ja/reading/reading_string_set.h"
#include "ja/romaji/text_list.h"
#include "ja/unidic/load_payload.h"
#include "ja/unidic/reading_index.h"
#include "ja/unidic/unidic_load_error.h"
#include "python/dictionary/query_lattice.h"

namespace lumra::python {

struct JapaneseReadings {
  using Index = ja::UnidicReadingIndex;
  using LoadError = ja::UnidicPayloadLoadError;
  using OptionError = ja::UnidicLoadError;
  using QueryError = ja::JapaneseDistanceError;
  // Buffers a call keeps from text to text; the Japanese forms keep none.
  struct Scratch {};

  static constexpr const char* kClassName = "JapaneseDictionary";
  static constexpr const char* kTypeName = "builtins.JapaneseDictionary";
  static constexpr const char* kBuildNameProperty = "reading_field";

  // Every payload format the class loads, by the name a caller gives.
  static Result<std::unique_ptr<Index>, LoadError> load_payload(std::string_view path,
                                                                std::string_view format);

  // A verified bundle: its index, query defaults and names.
  using BundleError = artifacts::UnidicBundleError;
  static Result<artifacts::LoadedBundle<Index>, BundleError> load_bundle(
      std::string_view metadata_path, std::optional<std::string_view> bundle_dir);

  static Status<OptionError> check_options(const ja::ReadingOptions& options);

  // The lattice form, whose building stops at the search limit.
  static Result<QueryLattice, QueryError> lattice(const Index& index, std::string_view text,
                                                  const ja::ReadingOptions& options, Scratch&);

  // The string form in no particular order: only its best pair is used.
  static Result<ja::TextList, QueryError> strings(const Index& index, std::string_view text,
                                                  const ja::ReadingOptions& options, Scratch&);

  // What the normalized metrics compare: the strings as a set, spelled
  // straight into a trie.
  using SimilarityForm = ja::ReadingStringSet;
  static Result<SimilarityForm, QueryError> similarity_form(const Index& index,
                                                            std::string_view text,
                                                            const ja::ReadingOptions& options,
                                                            Scratch&);
  // A set keeps the graph that the first long search makes of it, for
  // the other cells and the later calls.
  using SearchedForm = const SimilarityForm*;
  static SearchedForm searched(const SimilarityForm& form) { return &form; }
  static constexpr bool kSearchesAddToForms = true;
  static bool grown_by_searches(const SimilarityForm& form) { return form.graph_made(); }
  static double best_similarity(SearchedForm left, SearchedForm right,
                                StringWorkspace& workspace) {
    return ja::best_similarity(*left, *right, workspace);
  }

  // What a partial alignment may know of a span's strings without writing
  // them out: whether they would fail, and a bound on their chain lattice,
  // forecast by counting.
  static SpanOutlook span_outlook(const Index& index, std::string_view text,
                                  const ja::ReadingOptions& options, Scratch&);

  // Whether `error` only says that a text has no readings: a partial
  // alignment leaves such a span out instead of failing.
  static bool has_no_readings(const QueryError& error) {
    return std::holds_alternative<ja::distance_errors::UnsupportedCharacter>(error);
  }

  static QueryError too_large(const DistanceMatrixTooLarge& error) {
    return ja::distance_errors::DistanceMatrix{error};
  }
};

}  // namespace lumra::python
