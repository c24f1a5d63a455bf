#include "ja/reading/reading_string_set.h"

#include <span>
#include <utility>

#include "ja/reading/ascii_token.h"
#include "ja/reading/dictionary_error.h"
#include "ja/reading/pair_similarity.h"
#include "ja/reading/path_romaji.h"
#include "ja/reading/reading_strings.h"
#include "ja/reading/trie_speller.h"
#include "ja/reading/validate_reading_options.h"
#include "ja/romaji/expansion.h"
#include "ja/romaji/expansion_size.h"
#include "ja/romaji/split_units.h"
#include "ja/text/next_char.h"
#include "ja/unidic/segmentation.h"

namespace lumra::ja {

namespace {

// The trie filled up, and the text's strings are gathered the written way;
// or the thread's interruption source asked to stop, and nothing is.
struct TrieFull {
  bool stopped;
};

TrieFull trie_full(TrieSpeller::Outcome outcome) {
  return {outcome == TrieSpeller::Outcome::Stopped};
}

// Adds reading paths to a trie as reading_strings adds them to its set:
// the same paths skipped, the same failures in the same order.
class PathSpeller {
 public:
  explicit PathSpeller(StringTrie& trie) : trie_(trie), speller_(trie) {}

  // The plain reading of `text`: whether it spells within the limits. Its
  // failure is not needed unless nothing else reads, and then it is
  // computed again.
  bool plain_fits(std::string_view text) {
    if (char_count(text) > kReadingExpansionLimits.max_input_chars) return false;
    units_.clear();
    if (!append_romaji_units(text, true, units_).ok()) return false;
    if (!fill_unit_variant_lists(units_, lists_).ok()) return false;
    return expansion_size(lists_, kReadingExpansionLimits.max_paths,
                          kReadingExpansionLimits.max_symbols)
        .within_limits;
  }
  // Adds the lists plain_fits() just accepted.
  Status<TrieFull> add_plain() {
    const TrieSpeller::Outcome outcome = speller_.add(lists_);
    if (outcome != TrieSpeller::Outcome::Added) return Fail(trie_full(outcome));
    return Unit{};
  }

  // Adds the strings of the path made of `segments`, skipping a path that
  // cannot be spelled.
  Result<Status<JapaneseDistanceError>, TrieFull> add(std::span<const ReadingSegment> segments) {
    std::uint64_t chars = 0;
    for (const ReadingSegment& segment : segments) chars += char_count(segment.reading);
    if (chars > kReadingExpansionLimits.max_input_chars) return written_failure(segments);
    units_.clear();
    for (const ReadingSegment& segment : segments) {
      if (!append_romaji_units(segment.reading, segment.raw, units_).ok()) return skipped();
    }
    if (!fill_unit_variant_lists(units_, lists_).ok()) return skipped();
    if (!expansion_size(lists_, kReadingExpansionLimits.max_paths,
                        kReadingExpansionLimits.max_symbols)
             .within_limits) {
      return written_failure(segments);
    }
    const TrieSpeller::Outcome outcome = speller_.add(lists_);
    if (outcome != TrieSpeller::Outcome::Added) return Fail(trie_full(outcome));
    return Status<JapaneseDistanceError>(Unit{});
  }

  // Adds every path of `table`. The strings of all paths together may
  // take at most kMaxGatheredRomajiSymbols bytes, counted after each path
  // over the distinct strings so far.
  Result<Status<JapaneseDistanceError>, TrieFull> add(const ReadingPathTable& table) {
    for (std::size_t path = 0; path < table.path_count(); ++path) {
      segments_.clear();
      table.for_each_segment(
          path, [this](const ReadingSegment& segment) { segments_.push_back(segment); });
      LUMRA_TRY_ASSIGN(Status<JapaneseDistanceError> added, add(segments_));
      if (!added.ok()) return added;
      const std::uint64_t gathered = trie_.string_bytes();
      if (gathered > kMaxGatheredRomajiSymbols) {
        return Status<JapaneseDistanceError>(Fail(JapaneseDistanceError(
            distance_errors::ExpansionLimitExceeded{ExpansionLimitKind::ExpandedSymbols, gathered,
                                                    kMaxGatheredRomajiSymbols})));
      }
    }
    return Status<JapaneseDistanceError>(Unit{});
  }

 private:
  static Result<Status<JapaneseDistanceError>, TrieFull> skipped() {
    return Status<JapaneseDistanceError>(Unit{});
  }
  // The failure of a path that the counts say fails, as the written
  // expansion reports it (rare: worth expanding again for its exact
  // numbers).
  static Result<Status<JapaneseDistanceError>, TrieFull> written_failure(
      std::span<const ReadingSegment> segments) {
    PathRomajiConverter converter;
    TextList strings;
    return converter.strings(segments, strings);
  }

  StringTrie& trie_;
  TrieSpeller speller_;
  std::vector<RomajiUnit> units_;
  UnitVariantLists lists_;
  std::vector<ReadingSegment> segments_;
};

// LUMRA_TRY for the nested results of PathSpeller, inside a function that
// returns Result<Result<T, JapaneseDistanceError>, TrieFull>.
#define LUMRA_TRY_SPELLED(expression)                                   \
  do {                                                                  \
    auto lumra_spelled = (expression);                                  \
    if (!lumra_spelled.ok()) return Fail(lumra_spelled.error());        \
    if (!lumra_spelled.value().ok()) {                                  \
      return Result<Unit, JapaneseDistanceError>(                       \
          Fail(std::move(lumra_spelled.value()).take_error()));         \
    }                                                                   \
  } while (false)

// The strings of reading_strings into `trie`, in the same order of steps.
Result<Status<JapaneseDistanceError>, TrieFull> gather(const UnidicReadingIndex& index,
                                                       std::string_view text,
                                                       const ReadingOptions& options,
                                                       StringTrie& trie) {
  using Outcome = Status<JapaneseDistanceError>;
  auto fail = [](JapaneseDistanceError error) { return Outcome(Fail(std::move(error))); };
  if (auto valid = validate_reading_options(options); !valid.ok()) {
    return fail(dictionary_error(valid.error()));
  }
  PathSpeller speller(trie);
  const bool plain = speller.plain_fits(text);
  if (plain) {
    if (auto added = speller.add_plain(); !added.ok()) return Fail(added.error());
    if (!has_ascii_alnum(text)) return Outcome(Unit{});
    // Mixed text that reads as it stands may also be a dictionary word as a
    // whole, or hold one.
    std::vector<std::string_view> readings;
    auto found = index.lookup_folded(text, readings);
    if (!found.ok()) return fail(dictionary_error(found.error()));
    const std::size_t used = readings_used(options, readings.size());
    for (std::size_t r = 0; r < used; ++r) {
      const ReadingSegment whole{text, readings[r], false};
      LUMRA_TRY_SPELLED(speller.add(std::span(&whole, 1)));
    }
    auto has_token = has_dictionary_ascii_token(index, text);
    if (!has_token.ok()) return fail(dictionary_error(has_token.error()));
    if (has_token.value()) {
      ReadingPathTable table;
      if (auto built = table.build(index, text, options, true); !built.ok()) {
        return fail(dictionary_error(built.error()));
      }
      LUMRA_TRY_SPELLED(speller.add(table));
    }
    return Outcome(Unit{});
  }
  ReadingPathTable table;
  for (const bool fallback : {false, true}) {
    if (auto built = table.build(index, text, options, fallback); !built.ok()) {
      return fail(dictionary_error(built.error()));
    }
    LUMRA_TRY_SPELLED(speller.add(table));
    if (trie.string_count() > 0) return Outcome(Unit{});
  }
  // Nothing reads: the failure of the plain reading, written out.
  auto written = expand_romaji_text(text, kReadingExpansionLimits);
  return fail(written.take_error());
}

#undef LUMRA_TRY_SPELLED

}  // namespace

Result<ReadingStringSet, JapaneseDistanceError> ReadingStringSet::of(
    const UnidicReadingIndex& index, std::string_view text, const ReadingOptions& options,
    std::size_t max_trie_nodes) {
  ReadingStringSet set(max_trie_nodes);
  auto gathered = gather(index, text, options, set.trie_);
  if (gathered.ok()) {
    LUMRA_TRY(std::move(gathered).value());
    set.trie_.finish();
    return set;
  }
  // Stopped: whoever asked discards the answer, so any will do.
  if (gathered.error().stopped) return Fail(JapaneseDistanceError(distance_errors::NoReadings{}));
  // Too many distinct prefixes for a trie: the strings as a list.
  LUMRA_TRY_ASSIGN(const TextList strings, unordered_reading_strings(index, text, options));
  set = ReadingStringSet(1);
  set.listed_ = true;
  set.list_.reserve(strings.size());
  for (std::string_view string : strings) {
    std::vector<Symbol>& decoded = set.list_.emplace_back();
    for (std::size_t at = 0; at < string.size();) {
      const NextChar c = next_char(string, at);
      decoded.push_back(c.value);
      at += c.size;
    }
  }
  return set;
}

std::uint64_t ReadingStringSet::size() const {
  return listed_ ? list_.size() : trie_.string_count();
}

std::vector<std::vector<Symbol>> ReadingStringSet::strings() const {
  if (listed_) return list_;
  return trie_.strings();
}

double best_similarity(const ReadingStringSet& left, const ReadingStringSet& right,
                       StringWorkspace& workspace) {
  if (!left.listed_ && !right.listed_) {
    return trie_best_pair_similarity(left.trie_, right.trie_, workspace);
  }
  return pruned_best_pair_similarity(left.strings(), right.strings(), workspace);
}

}  // namespace lumra::ja
