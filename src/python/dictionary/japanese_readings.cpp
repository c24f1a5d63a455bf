#include "python/dictionary/japanese_readings.h"

#include "artifacts/bundle/load_unidic_bundle.h"
#include "artifacts/load_payload.h"
#include <variant>

#include "ja/reading/reading_lattice.h"
#include "ja/alignment/span_outlook.h"
#include "ja/reading/reading_strings.h"
#include "ja/reading/validate_reading_options.h"

namespace lumra::python {

Result<std::unique_ptr<JapaneseReadings::Index>, JapaneseReadings::LoadError>
JapaneseReadings::load_payload(std::string_view path, std::string_view format) {
  return artifacts::load_japanese_payload(path, format);
}

Result<artifacts::LoadedBundle<JapaneseReadings::Index>, JapaneseReadings::BundleError>
JapaneseReadings::load_bundle(std::string_view metadata_path,
                               std::optional<std::string_view> bundle_dir) {
  return artifacts::load_unidic_bundle(metadata_path, bundle_dir);
}

Status<JapaneseReadings::OptionError> JapaneseReadings::check_options(
    const ja::ReadingOptions& options) {
  return ja::validate_reading_options(options);
}

Result<QueryLattice, JapaneseReadings::QueryError> JapaneseReadings::lattice(
    const Index& index, std::string_view text, const ja::ReadingOptions& options, Scratch&) {
  auto lattice = ja::compact_reading_lattice(index, text, options);
  if (lattice.ok()) {
    return QueryLattice::compacted(std::move(lattice.value().lattice), lattice.value().built_nodes);
  }
  // The only matrix error of the building is its stop at the limit.
  if (const auto* stop = std::get_if<ja::distance_errors::DistanceMatrix>(&lattice.error())) {
    return QueryLattice::beyond_search(stop->error.rows);
  }
  return Fail(lattice.take_error());
}

Result<ja::TextList, JapaneseReadings::QueryError> JapaneseReadings::strings(
    const Index& index, std::string_view text, const ja::ReadingOptions& options, Scratch&) {
  return ja::unordered_reading_strings(index, text, options);
}

Result<JapaneseReadings::SimilarityForm, JapaneseReadings::QueryError>
JapaneseReadings::similarity_form(const Index& index, std::string_view text,
                                  const ja::ReadingOptions& options, Scratch&) {
  return ja::ReadingStringSet::of(index, text, options);
}

SpanOutlook JapaneseReadings::span_outlook(const Index& index, std::string_view text,
                                           const ja::ReadingOptions& options, Scratch&) {
  return ja::reading_strings_outlook(index, text, options);
}

}  // namespace lumra::python
