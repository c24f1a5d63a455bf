#include "python/dictionary/chinese_readings.h"

#include "artifacts/bundle/load_zh_bundle.h"
#include "artifacts/load_payload.h"
#include "core/lattice/lattice_state_limit.h"
#include "ja/reading/pair_similarity.h"
#include "zh/reading/pinyin_readings.h"
#include "zh/reading/validate_reading_options.h"

namespace lumra::python {

Result<std::unique_ptr<ChineseReadings::Index>, ChineseReadings::LoadError>
ChineseReadings::load_payload(std::string_view path, std::string_view format) {
  return artifacts::load_chinese_payload(path, format);
}

Result<artifacts::LoadedBundle<ChineseReadings::Index>, ChineseReadings::BundleError>
ChineseReadings::load_bundle(std::string_view metadata_path,
                              std::optional<std::string_view> bundle_dir) {
  return artifacts::load_zh_bundle(metadata_path, bundle_dir);
}

Status<ChineseReadings::OptionError> ChineseReadings::check_options(
    const ja::ReadingOptions& options) {
  return zh::validate_reading_options(options);
}

Result<QueryLattice, ChineseReadings::QueryError> ChineseReadings::lattice(
    const Index& index, std::string_view text, const ja::ReadingOptions& options,
    Scratch& scratch) {
  LUMRA_TRY_ASSIGN(CompactTailLattice built,
                   zh::pinyin_searchable_lattice(index, text, options, scratch, kMaxLatticeStates));
  if (!built.lattice) return QueryLattice::beyond_search(built.node_count);
  return QueryLattice::whole(std::move(*built.lattice));
}

Result<ja::TextList, ChineseReadings::QueryError> ChineseReadings::strings(
    const Index& index, std::string_view text, const ja::ReadingOptions& options,
    Scratch& scratch) {
  return zh::pinyin_reading_strings(index, text, options, scratch);
}

Result<ChineseReadings::SimilarityForm, ChineseReadings::QueryError>
ChineseReadings::similarity_form(const Index& index, std::string_view text,
                                 const ja::ReadingOptions& options, Scratch& scratch) {
  LUMRA_TRY_ASSIGN(const ja::TextList readings, strings(index, text, options, scratch));
  return QueryStrings(readings);
}

double ChineseReadings::best_similarity(SearchedForm left, SearchedForm right,
                                        StringWorkspace& workspace) {
  return ja::pruned_best_pair_similarity(left->view(), right->view(), workspace);
}

SpanOutlook ChineseReadings::span_outlook(const Index& index, std::string_view text,
                                          const ja::ReadingOptions& options, Scratch& scratch) {
  auto extent = zh::pinyin_reading_strings_extent(index, text, options, scratch);
  if (!extent.ok()) {
    if (has_no_readings(extent.error())) {
      return SpanOutlook{SpanOutlook::Kind::kNoReadings, std::nullopt, std::nullopt};
    }
    return SpanOutlook{};
  }
  const auto [strings, longest] = extent.value();
  std::uint64_t bytes = 0;
  if (__builtin_mul_overflow(strings, longest, &bytes) || bytes > zh::kMaxReadingStringBytes) {
    return SpanOutlook{};  // they might not fit: only writing them out tells
  }
  // A chain lattice has two nodes and one per symbol but the first and
  // last of each string; a symbol takes a byte or more. The strings of a
  // segmented text hold dictionary readings, never empty, and direct input
  // gives one string, so no empty string stands beside others.
  return SpanOutlook{SpanOutlook::Kind::kReadings, bytes + 2, std::nullopt};
}

}  // namespace lumra::python
