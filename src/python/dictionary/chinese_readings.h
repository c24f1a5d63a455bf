// What ChineseDictionary takes from the Chinese readings: its index and
// loader, its option check, and the two pinyin forms of a text.
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
#include "ja/reading/reading_options.h"
#include "ja/romaji/text_list.h"
#include "python/dictionary/query_lattice.h"
#include "python/dictionary/query_strings.h"
#include "zh/index/load_payload.h"
#include "zh/index/reading_index.h"
#include "zh/index/zh_load_error.h"
#include "zh/reading/chinese_distance_error.h"
#include "zh/reading/pinyin_segmentation.h"

namespace lumra::python {

struct ChineseReadings {
  using Index = zh::ZhReadingIndex;
  using LoadError = zh::ZhPayloadLoadError;
  using OptionError = zh::ZhLoadError;
  using QueryError = zh::ChineseDistanceError;
  // The segmentation's buffers, reused from text to text within a call.
  using Scratch = zh::PinyinReadingTable;

  static constexpr const char* kClassName = "ChineseDictionary";
  static constexpr const char* kTypeName = "builtins.ChineseDictionary";
  static constexpr const char* kBuildNameProperty = "pinyin_view";

  // Every payload format the class loads, by the name a caller gives.
  static Result<std::unique_ptr<Index>, LoadError> load_payload(std::string_view path,
                                                                std::string_view format);

  // A verified bundle: its index, query defaults and names.
  using BundleError = artifacts::ZhBundleError;
  static Result<artifacts::LoadedBundle<Index>, BundleError> load_bundle(
      std::string_view metadata_path, std::optional<std::string_view> bundle_dir);

  static Status<OptionError> check_options(const ja::ReadingOptions& options);

  static Result<QueryLattice, QueryError> lattice(const Index& index, std::string_view text,
                                                  const ja::ReadingOptions& options,
                                                  Scratch& scratch);

  static Result<ja::TextList, QueryError> strings(const Index& index, std::string_view text,
                                                  const ja::ReadingOptions& options,
                                                  Scratch& scratch);

  // What the normalized metrics compare: the strings, decoded once.
  using SimilarityForm = QueryStrings;
  using SearchedForm = const QueryStrings*;
  static SearchedForm searched(const SimilarityForm& form) { return &form; }
  // A search leaves the strings as they were.
  static constexpr bool kSearchesAddToForms = false;
  static Result<SimilarityForm, QueryError> similarity_form(const Index& index,
                                                            std::string_view text,
                                                            const ja::ReadingOptions& options,
                                                            Scratch& scratch);
  static double best_similarity(SearchedForm left, SearchedForm right,
                                StringWorkspace& workspace);

  // What a partial alignment may know of a span's strings without writing
  // them out: counted from the segmentation.
  static SpanOutlook span_outlook(const Index& index, std::string_view text,
                                  const ja::ReadingOptions& options, Scratch& scratch);

  // Whether `error` only says that a text has no readings: a partial
  // alignment leaves such a span out instead of failing.
  static bool has_no_readings(const QueryError& error) {
    return std::holds_alternative<zh::chinese_errors::UnsupportedDirectInput>(error);
  }

  static QueryError too_large(const DistanceMatrixTooLarge& error) {
    return zh::chinese_errors::DistanceMatrix{error};
  }
};

}  // namespace lumra::python
