// The best normalized similarity between the strings of two SpellingTrees,
// spelled only as far as the search needs them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "ja/reading/spelling_tree.h"

namespace lumra::ja {

inline constexpr std::uint64_t kMostRepeatedOuterStrings = 256;
// The rows that the tree search fills before the inner side is spelled
// into a trie at the earliest, and the nodes that trie may take (some
// 50 MB with the trie it is spelled through).
inline constexpr std::uint64_t kRowsBeforeSpelling = std::uint64_t{1} << 15;
// Rows filled for each step that the spelling may take.
inline constexpr std::uint64_t kRowsPerSpellingStep = 4;
inline constexpr std::size_t kMaxSpelledNodes = std::size_t{1} << 20;

// Exactly best_pair_similarity over the two trees' strings: the highest
// similarity of a string of `outer` with a string of `inner`, 0.0 when
// either is empty. Each string of `outer` is run against `inner` row by row
// down its branches, spelling each branch as it is entered, and a branch
// whose strings cannot beat the best so far (by its rows and the lengths it
// may still spell) is not entered. The rows take (longest of `outer` + 1) x
// (longest of `inner` + 1) cells: callers keep that small. `outer_spelled`
// is the number of strings that `outer`'s paths spell, repeats counted:
// past kMostRepeatedOuterStrings they are made distinct first. Once the
// texts have filled `rows_before_spelling` rows, `inner` is spelled into a
// PreorderTrie for the texts after (see the definition).
double tree_best_pair_similarity(const SpellingTree& inner, const SpellingTree& outer,
                                 std::uint64_t outer_spelled,
                                 std::uint64_t rows_before_spelling = kRowsBeforeSpelling);

// The search of tree_best_pair_similarity, in as many runs as its caller
// gives it rows for: a run that has not ended when its rows are filled
// pauses, and the next goes on from there.
class TreePairSearch {
 public:
  TreePairSearch(const SpellingTree& inner, const SpellingTree& outer, std::uint64_t outer_spelled,
                 std::uint64_t rows_before_spelling = kRowsBeforeSpelling);
  TreePairSearch(const TreePairSearch&) = delete;
  TreePairSearch& operator=(const TreePairSearch&) = delete;
  ~TreePairSearch();

  // The best similarity, or nullopt when the search has filled `max_rows`
  // rows of its own over all its runs (as tree_best_pair_similarity_within
  // counts them) without ending.
  std::optional<double> run(std::uint64_t max_rows);
  // The best similarity found so far, which some pair of the two sides
  // reaches.
  double reached() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The same, or nullopt once the search has filled `max_rows` rows of its
// own (the trie's, once spelled, are not counted; making the outer strings
// distinct is counted as rows): a search that long is better left to a
// table over the two sides' graphs. `reached` is then set to the best
// similarity found so far, which some pair of the two sides reaches.
std::optional<double> tree_best_pair_similarity_within(
    const SpellingTree& inner, const SpellingTree& outer, std::uint64_t outer_spelled,
    std::uint64_t max_rows, double& reached,
    std::uint64_t rows_before_spelling = kRowsBeforeSpelling);

}  // namespace lumra::ja
