#include "ja/reading/reading_lattice.h"

#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "core/lattice/lattice_state_limit.h"
#include "ja/reading/ascii_token.h"
#include "ja/reading/dictionary_error.h"
#include "ja/reading/path_romaji.h"
#include "ja/reading/reading_text_speller.h"
#include "ja/reading/table_path_adder.h"
#include "ja/reading/validate_reading_options.h"
#include "ja/romaji/lattice_builder.h"
#include "ja/romaji/split_units.h"
#include "ja/text/next_char.h"
#include "ja/unidic/segmentation.h"

namespace lumra::ja {

namespace {

// The lattice of the text read plainly, as kana, ASCII and punctuation.
Result<PathLattice, JapaneseDistanceError> plain_lattice(std::string_view text,
                                                         RomajiLatticeBuilder& builder) {
  LUMRA_TRY_ASSIGN(const std::vector<RomajiUnit> units, split_romaji_units(text, true));
  LUMRA_TRY(builder.add_units(units));
  auto finished = builder.finish();
  if (!finished.ok()) return Fail(finished.take_error());
  // One unit list was added, so finish() gave a lattice.
  return std::move(finished.value()).value();
}

// Above this many paths times text bytes, the paths of a segmentation are
// first counted into nodes before they are built; below it, building them
// twice would cost more than the arcs it might save.
constexpr std::uint64_t kCountFirstWork = std::uint64_t{1} << 20;

// Adds every path of `table` to `builder`, each as its segments or, with
// `whole_texts`, as its reading text split at once. A long, ambiguous text
// may have more nodes than any search takes: counting them first finds
// that out, with the same error, before the arcs take their memory.
Status<JapaneseDistanceError> add_table_paths(const ReadingPathTable& table,
                                              std::string_view text, bool whole_texts,
                                              TablePathAdder& adder,
                                              RomajiLatticeBuilder& builder) {
  auto add_all = [&](RomajiLatticeBuilder& to) -> Status<JapaneseDistanceError> {
    return whole_texts ? adder.add_reading_texts(table, to) : adder.add_paths(table, to);
  };
  // A compact builder keeps only a trie, but one that can still outgrow
  // the memory of a search before the node limit is reached.
  if (table.path_count() * std::uint64_t{text.size()} > kCountFirstWork) {
    RomajiLatticeBuilder counter = builder.counting();
    LUMRA_TRY(add_all(counter));
  }
  return add_all(builder);
}

// The builder's lattice so far with the node count it was written with, or
// nothing when nothing was added.
Result<std::optional<CompactReadingLattice>, JapaneseDistanceError> finished(
    RomajiLatticeBuilder& builder) {
  LUMRA_TRY_ASSIGN(std::optional<PathLattice> lattice, builder.finish());
  if (!lattice) return std::optional<CompactReadingLattice>();
  return std::optional<CompactReadingLattice>(
      CompactReadingLattice{std::move(*lattice), builder.built_node_count()});
}

// `spell_directly`: the builder is compact, with `max_nodes` as its limit,
// so the texts of a segmentation may be spelled from the graph they share
// (reading_text_speller.h) when that is cheap to tell; the builder still
// adds them when it is not, and reports the failures.
Result<CompactReadingLattice, JapaneseDistanceError> build_reading_lattice(
    const UnidicReadingIndex& index, std::string_view text, const ReadingOptions& options,
    RomajiLatticeBuilder& builder, std::optional<std::uint64_t> spell_directly) {
  LUMRA_TRY_DICTIONARY(validate_reading_options(options));
  PathRomajiConverter converter;
  TablePathAdder adder;
  ReadingPathTable table;
  bool segmented_without_fallback = false;
  auto plain = [&]() -> Result<CompactReadingLattice, JapaneseDistanceError> {
    LUMRA_TRY_ASSIGN(PathLattice lattice, plain_lattice(text, builder));
    return CompactReadingLattice{std::move(lattice), builder.built_node_count()};
  };

  if (has_ascii_alnum(text)) {
    if (is_romaji_expandable(text)) {
      const ReadingSegment raw{text, text, true};
      LUMRA_TRY(converter.add_path(std::span(&raw, 1), builder));
      std::vector<std::string_view> readings;
      auto found = index.lookup_folded(text, readings);
      LUMRA_TRY_DICTIONARY(found);
      const std::size_t used = readings_used(options, readings.size());
      for (std::size_t r = 0; r < used; ++r) {
        const ReadingSegment whole{text, readings[r], false};
        LUMRA_TRY(converter.add_path(std::span(&whole, 1), builder));
      }
      auto has_token = has_dictionary_ascii_token(index, text);
      LUMRA_TRY_DICTIONARY(has_token);
      if (has_token.value()) {
        LUMRA_TRY_DICTIONARY(table.build(index, text, options, true));
        LUMRA_TRY(add_table_paths(table, text, false, adder, builder));
      }
      LUMRA_TRY_ASSIGN(std::optional<CompactReadingLattice> lattice, finished(builder));
      if (lattice) return std::move(*lattice);
    }
  } else {
    auto read_plainly = plain();
    // Only a text that cannot be spelled plainly is read by segmentation;
    // a plain lattice beyond the node limit is an answer of its own. A
    // failed add leaves the builder empty for what follows.
    if (read_plainly.ok() || !is_romaji_path_failure(read_plainly.error())) return read_plainly;
    LUMRA_TRY_DICTIONARY(table.build(index, text, options, false));
    segmented_without_fallback = true;
    std::optional<SpelledReadingTexts> spelled;
    if (spell_directly) spelled = spell_reading_texts(table, *spell_directly);
    if (spelled) {
      if (spelled->lattice) {
        return CompactReadingLattice{std::move(*spelled->lattice), spelled->built_nodes};
      }
    } else {
      LUMRA_TRY(add_table_paths(table, text, true, adder, builder));
      LUMRA_TRY_ASSIGN(std::optional<CompactReadingLattice> lattice, finished(builder));
      if (lattice) return std::move(*lattice);
    }
  }

  // Segmentation: dictionary words alone first, then with runs read as
  // they stand.
  if (!segmented_without_fallback) {
    LUMRA_TRY_DICTIONARY(table.build(index, text, options, false));
  }
  if (table.path_count() > 0) {
    LUMRA_TRY(add_table_paths(table, text, false, adder, builder));
    LUMRA_TRY_ASSIGN(std::optional<CompactReadingLattice> lattice, finished(builder));
    if (lattice) return std::move(*lattice);
  }
  LUMRA_TRY_DICTIONARY(table.build(index, text, options, true));
  LUMRA_TRY(add_table_paths(table, text, false, adder, builder));
  LUMRA_TRY_ASSIGN(std::optional<CompactReadingLattice> lattice, finished(builder));
  if (lattice) return std::move(*lattice);
  // Nothing reads: report why the text does not read plainly.
  return plain();
}

}  // namespace

Result<PathLattice, JapaneseDistanceError> reading_lattice(const UnidicReadingIndex& index,
                                                           std::string_view text,
                                                           const ReadingOptions& options) {
  RomajiLatticeBuilder builder;
  LUMRA_TRY_ASSIGN(CompactReadingLattice read,
                   build_reading_lattice(index, text, options, builder, std::nullopt));
  return std::move(read.lattice);
}

Result<PathLattice, JapaneseDistanceError> searchable_reading_lattice(
    const UnidicReadingIndex& index, std::string_view text, const ReadingOptions& options) {
  RomajiLatticeBuilder builder(kMaxLatticeStates);
  LUMRA_TRY_ASSIGN(CompactReadingLattice read,
                   build_reading_lattice(index, text, options, builder, std::nullopt));
  return std::move(read.lattice);
}

Result<CompactReadingLattice, JapaneseDistanceError> compact_reading_lattice(
    const UnidicReadingIndex& index, std::string_view text, const ReadingOptions& options,
    std::uint64_t max_nodes) {
  RomajiLatticeBuilder builder = RomajiLatticeBuilder::compact(max_nodes);
  return build_reading_lattice(index, text, options, builder, max_nodes);
}

// The same without spelling the texts from their shared graph, for
// comparing the two ways.
Result<CompactReadingLattice, JapaneseDistanceError> compact_reading_lattice_text_by_text(
    const UnidicReadingIndex& index, std::string_view text, const ReadingOptions& options,
    std::uint64_t max_nodes) {
  RomajiLatticeBuilder builder = RomajiLatticeBuilder::compact(max_nodes);
  return build_reading_lattice(index, text, options, builder, std::nullopt);
}

}  // namespace lumra::ja
