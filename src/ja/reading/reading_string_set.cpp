#include "ja/reading/reading_string_set.h"

#include <optional>
#include <span>
#include <utility>

#include "core/base/interruption.h"
#include "ja/reading/ascii_token.h"
#include "ja/reading/dictionary_error.h"
#include "ja/reading/graded_spelling_graph.h"
#include "ja/reading/pair_similarity.h"
#include "ja/reading/path_list_walker.h"
#include "ja/reading/path_lists.h"
#include "ja/reading/path_romaji.h"
#include "ja/reading/reading_strings.h"
#include "ja/reading/tree_pair_similarity.h"
#include "ja/reading/trie_speller.h"
#include "ja/reading/validate_reading_options.h"
#include "ja/romaji/expansion.h"
#include "ja/romaji/expansion_size.h"
#include "ja/text/next_char.h"
#include "ja/unidic/segmentation.h"

namespace lumra::ja {

namespace {

// The strings could not be gathered in the form asked for: the tree or
// the trie filled up, or the tree's strings may pass the bound on a text's
// distinct strings, which only a trie counts; the next form is tried. Or
// the thread's interruption source asked to stop, and nothing is.
struct NotGathered {
  bool stopped;
};

NotGathered not_gathered(TrieSpeller::Outcome outcome) {
  return {outcome == TrieSpeller::Outcome::Stopped};
}

std::uint64_t saturating_add(std::uint64_t a, std::uint64_t b) {
  std::uint64_t sum;
  return __builtin_add_overflow(a, b, &sum) ? ~std::uint64_t{0} : sum;
}

// Adds reading paths to a tree or a trie as reading_strings adds them to
// its set: the same paths skipped, the same failures in the same order.
class PathSpeller {
 public:
  explicit PathSpeller(StringTrie& trie) : trie_(&trie), speller_(std::in_place, trie) {}
  explicit PathSpeller(SpellingTree& tree) : tree_(&tree) {}

  std::uint64_t spelled_strings() const { return spelled_strings_; }
  // Whether no string was added.
  bool empty() const { return tree_ != nullptr ? tree_->empty() : trie_->string_count() == 0; }

  // The plain reading of `text`: whether it spells within the limits. Its
  // failure is not needed unless nothing else reads, and then it is
  // computed again.
  bool plain_fits(std::string_view text) {
    const ReadingSegment whole{text, text, true};
    return single_.make(std::span(&whole, 1)) == PathListKind::kSpelled;
  }
  // Adds the lists plain_fits() just accepted.
  Status<NotGathered> add_plain() { return add_lists(single_.lists(), single_.size(), 0); }

  // Adds the strings of the path made of `segments`, skipping a path that
  // cannot be spelled.
  Result<Status<JapaneseDistanceError>, NotGathered> add(std::span<const ReadingSegment> segments) {
    switch (single_.make(segments)) {
      case PathListKind::kTooLong:
      case PathListKind::kOverLimits: return written_failure(segments);
      case PathListKind::kUnspellable: break;
      case PathListKind::kSpelled: LUMRA_TRY(add_lists(single_.lists(), single_.size(), 0)); break;
    }
    return Status<JapaneseDistanceError>(Unit{});
  }

  // Adds every path of `table`. The strings of all paths together may
  // take at most kMaxGatheredRomajiSymbols bytes, counted after each path
  // over the distinct strings so far.
  Result<Status<JapaneseDistanceError>, NotGathered> add(const ReadingPathTable& table) {
    PathListWalker paths(table, kReadingExpansionLimits);
    while (paths.next()) {
      switch (paths.kind()) {
        case PathListKind::kTooLong:
        case PathListKind::kOverLimits: return written_failure(paths.segments());
        case PathListKind::kUnspellable: break;
        case PathListKind::kSpelled:
          LUMRA_TRY(add_lists(paths.lists(), paths.size(), paths.lists_as_last_spelled()));
          break;
      }
      if (tree_ != nullptr) {
        // The strings of the paths so far, repeats counted, bound their
        // distinct bytes: within the bound the set is within it too.
        if (spelled_bytes_ > kMaxGatheredRomajiSymbols) return Fail(NotGathered{false});
        continue;
      }
      const std::uint64_t gathered = trie_->string_bytes();
      if (gathered > kMaxGatheredRomajiSymbols) {
        return Status<JapaneseDistanceError>(Fail(JapaneseDistanceError(
            distance_errors::ExpansionLimitExceeded{ExpansionLimitKind::ExpandedSymbols, gathered,
                                                    kMaxGatheredRomajiSymbols})));
      }
    }
    return Status<JapaneseDistanceError>(Unit{});
  }

 private:
  // The failure of a path that the counts say fails, as the written
  // expansion reports it (rare: worth expanding again for its exact
  // numbers).
  static Result<Status<JapaneseDistanceError>, NotGathered> written_failure(
      std::span<const ReadingSegment> segments) {
    PathRomajiConverter converter;
    TextList strings;
    return converter.strings(segments, strings);
  }

  // Lists whose expansion passed every limit into the tree or the trie;
  // their first `same_as_last` lists are those of the lists added last.
  Status<NotGathered> add_lists(const UnitVariantLists& lists, const ExpansionSize& size,
                                std::size_t same_as_last) {
    if (tree_ != nullptr) {
      // A tree is quick to make: its work is counted per path.
      if (poll_.stop_after(lists.size() + 1)) return Fail(NotGathered{true});
      spelled_bytes_ = saturating_add(spelled_bytes_, size.bytes);
      spelled_strings_ = saturating_add(spelled_strings_, size.strings);
      if (!tree_->add(lists, same_as_last)) return Fail(NotGathered{false});
      return Unit{};
    }
    const TrieSpeller::Outcome outcome = speller_->add(lists);
    if (outcome != TrieSpeller::Outcome::Added) return Fail(not_gathered(outcome));
    return Unit{};
  }

  StringTrie* trie_ = nullptr;
  SpellingTree* tree_ = nullptr;
  std::optional<TrieSpeller> speller_;  // spelling into trie_ only
  InterruptionPoll poll_;
  // What the tree's paths spell, repeats counted.
  std::uint64_t spelled_bytes_ = 0;
  std::uint64_t spelled_strings_ = 0;
  PathLists single_{kReadingExpansionLimits};
};

// LUMRA_TRY for the nested results of PathSpeller, inside a function that
// returns Result<Result<T, JapaneseDistanceError>, NotGathered>.
#define LUMRA_TRY_SPELLED(expression)                                   \
  do {                                                                  \
    auto lumra_spelled = (expression);                                  \
    if (!lumra_spelled.ok()) return Fail(lumra_spelled.error());        \
    if (!lumra_spelled.value().ok()) {                                  \
      return Result<Unit, JapaneseDistanceError>(                       \
          Fail(std::move(lumra_spelled.value()).take_error()));         \
    }                                                                   \
  } while (false)

// The strings of reading_strings through `speller`, in the same order of
// steps.
Result<Status<JapaneseDistanceError>, NotGathered> gather(const UnidicReadingIndex& index,
                                                          std::string_view text,
                                                          const ReadingOptions& options,
                                                          PathSpeller& speller) {
  using Outcome = Status<JapaneseDistanceError>;
  auto fail = [](JapaneseDistanceError error) { return Outcome(Fail(std::move(error))); };
  if (auto valid = validate_reading_options(options); !valid.ok()) {
    return fail(dictionary_error(valid.error()));
  }
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
    if (!speller.empty()) return Outcome(Unit{});
  }
  // Nothing reads: the failure of the plain reading, written out.
  auto written = expand_romaji_text(text, kReadingExpansionLimits);
  return fail(written.take_error());
}

#undef LUMRA_TRY_SPELLED

}  // namespace

Result<ReadingStringSet, JapaneseDistanceError> ReadingStringSet::of(
    const UnidicReadingIndex& index, std::string_view text, const ReadingOptions& options,
    std::size_t max_trie_nodes, bool spelling_tree) {
  ReadingStringSet set(max_trie_nodes);
  if (spelling_tree) {
    PathSpeller speller(set.tree_);
    auto gathered = gather(index, text, options, speller);
    set.spelled_strings_ = speller.spelled_strings();
    if (gathered.ok()) {
      LUMRA_TRY(std::move(gathered).value());
      set.tree_.finish();
      set.form_ = Form::Tree;
      return set;
    }
    // Stopped: whoever asked discards the answer, so any will do.
    if (gathered.error().stopped) return Fail(JapaneseDistanceError(distance_errors::NoReadings{}));
    set.tree_ = SpellingTree(1);
  }
  PathSpeller speller(set.trie_);
  auto gathered = gather(index, text, options, speller);
  if (gathered.ok()) {
    LUMRA_TRY(std::move(gathered).value());
    set.trie_.finish();
    set.form_ = Form::Trie;
    return set;
  }
  if (gathered.error().stopped) return Fail(JapaneseDistanceError(distance_errors::NoReadings{}));
  // Too many distinct prefixes for a trie: the strings as a list.
  LUMRA_TRY_ASSIGN(const TextList strings, unordered_reading_strings(index, text, options));
  set = ReadingStringSet(1);
  set.form_ = Form::Listed;
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
  switch (form_) {
    case Form::Tree: return tree_.strings().size();
    case Form::Trie: return trie_.string_count();
    case Form::Listed: break;
  }
  return list_.size();
}

std::size_t ReadingStringSet::memory_bytes() const {
  std::size_t bytes = tree_.memory_bytes() + trie_.memory_bytes() + graph_.memory_bytes() +
                      list_.capacity() * sizeof(std::vector<Symbol>);
  for (const std::vector<Symbol>& string : list_) bytes += string.capacity() * sizeof(Symbol);
  return bytes;
}

std::vector<std::vector<Symbol>> ReadingStringSet::strings() const {
  switch (form_) {
    case Form::Tree: return tree_.strings();
    case Form::Trie: return trie_.strings();
    case Form::Listed: break;
  }
  return list_;
}

const GradedDag* ReadingStringSet::graph() const {
  const KeptGraph::Made* made = graph_.find();
  if (made == nullptr) {
    KeptGraph::Made graph = graded_spelling_graph(tree_);
    const InterruptionSource* source = installed_interruption_source();
    if (source != nullptr && source->stopped()) return nullptr;
    made = &graph_.publish(std::move(graph));
  }
  return *made ? &**made : nullptr;
}

namespace {

// Rows of the tree search worth as much as making any two graphs and
// their table, however small.
constexpr std::uint64_t kRowsBeforeGraphs = 1024;
// Table cell updates that cost about as much as a row of the tree search:
// once both graphs are made, a search gives way when it has cost as much as
// their table. Measured on the pairs that get that far: a row takes some
// 300 instructions, a cell update of the table 2 to 5 (fewer the more the
// search has reached).
constexpr std::uint64_t kTableWorkPerRow = 100;

// Whether the table of two graphs stays within its cells.
bool table_fits(const GradedDag* left, const GradedDag* right) {
  return left != nullptr && right != nullptr &&
         std::uint64_t{left->node_count()} * right->node_count() <= kMaxGradedTableCells;
}

}  // namespace

double best_similarity(const ReadingStringSet& left, const ReadingStringSet& right,
                       StringWorkspace& workspace, std::uint64_t rows_per_tree_node) {
  using Form = ReadingStringSet::Form;
  if (left.form_ == Form::Tree && right.form_ == Form::Tree) {
    // The side that spells more is searched, each string of the other is
    // run against it: which is which does not change the best pair.
    const bool left_inner = left.spelled_strings_ >= right.spelled_strings_;
    const SpellingTree& inner = left_inner ? left.tree_ : right.tree_;
    const SpellingTree& outer = left_inner ? right.tree_ : left.tree_;
    const std::uint64_t outer_spelled = left_inner ? right.spelled_strings_ : left.spelled_strings_;
    if (!rows_fit(inner.longest(), outer.longest())) {
      if (table_fits(left.graph(), right.graph())) {
        return *graded_best_similarity(*left.graph(), *right.graph());
      }
    } else if (left.graph_made() && right.graph_made()) {
      const GradedDag* left_graph = left.graph();
      const GradedDag* right_graph = right.graph();
      if (!table_fits(left_graph, right_graph)) {
        return tree_best_pair_similarity(inner, outer, outer_spelled);
      }
      // The graphs are made (an earlier search needed them): the search
      // runs while it costs less than their table.
      const std::uint64_t max_rows = graded_table_work(*left_graph, *right_graph) / kTableWorkPerRow;
      double reached = 0.0;
      if (auto searched =
              tree_best_pair_similarity_within(inner, outer, outer_spelled, max_rows, reached)) {
        return *searched;
      }
      return *graded_best_similarity(*left_graph, *right_graph, reached);
    } else {
      // Most pairs that read alike settle within a few rows of the tree
      // search, and a pair of dissimilar texts may take millions: the
      // search runs while it costs less than making the graphs would.
      const std::uint64_t max_rows =
          kRowsBeforeGraphs + rows_per_tree_node * (inner.node_count() + outer.node_count());
      TreePairSearch search(inner, outer, outer_spelled);
      if (auto searched = search.run(max_rows)) return *searched;
      // What the search reached narrows the table to the distances that
      // could beat it.
      const GradedDag* left_graph = left.graph();
      const GradedDag* right_graph = right.graph();
      if (table_fits(left_graph, right_graph)) {
        return *graded_best_similarity(*left_graph, *right_graph, search.reached());
      }
      // No table: the search goes on from where it gave way.
      return *search.run(~std::uint64_t{0});
    }
  }
  if (left.form_ == Form::Trie && right.form_ == Form::Trie) {
    return trie_best_pair_similarity(left.trie_, right.trie_, workspace);
  }
  return pruned_best_pair_similarity(left.strings(), right.strings(), workspace);
}

}  // namespace lumra::ja
