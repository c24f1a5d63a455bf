// The lattice form of a Japanese text's readings: one PathLattice whose
// paths are every romaji string the text may be read as, for the edit
// distances.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/base/result.h"
#include "core/lattice/lattice.h"
#include "core/lattice/lattice_state_limit.h"
#include "ja/japanese_distance_error.h"
#include "ja/reading/reading_options.h"
#include "ja/unidic/reading_index.h"

namespace lumra::ja {

// The readings chosen as for reading_strings, built into one lattice
// without writing the strings out, so without romaji limits. Two
// differences in what is read: a text without ASCII letters or digits that
// does not read plainly takes the reading texts of its dictionary
// segmentations whole, so that a two-character kana key may span two
// segments; and the plain reading of a text is never refused for its
// number of spellings.
Result<PathLattice, JapaneseDistanceError> reading_lattice(const UnidicReadingIndex& index,
                                                           std::string_view text,
                                                           const ReadingOptions& options);

// reading_lattice for callers that search the lattice and nothing else. A
// lattice of more than kMaxLatticeStates nodes fails every search, whatever
// it is compared with, so its building stops there with DistanceMatrix
// (rows = the nodes it had reached, cols = 1) rather than first taking
// gigabytes for a long, ambiguous text. Identical to reading_lattice for
// every lattice a search can take.
Result<PathLattice, JapaneseDistanceError> searchable_reading_lattice(
    const UnidicReadingIndex& index, std::string_view text, const ReadingOptions& options);

// searchable_reading_lattice's lattice with its equivalent nodes merged
// (merged_lattice.h), built without writing the lattice out
// (RomajiLatticeBuilder::compact): the same strings, so the same distances,
// for a fraction of the work. `built_nodes` is the node count of
// searchable_reading_lattice's lattice, which the state limit counts, and
// the failures are the same, the stop at `max_nodes` included.
struct CompactReadingLattice {
  PathLattice lattice;
  std::uint64_t built_nodes;
};
Result<CompactReadingLattice, JapaneseDistanceError> compact_reading_lattice(
    const UnidicReadingIndex& index, std::string_view text, const ReadingOptions& options,
    std::uint64_t max_nodes = kMaxLatticeStates);

// compact_reading_lattice with every reading text added to the builder one
// by one, never spelled from the graph the texts share
// (reading_text_speller.h): the way that decides whenever the other cannot,
// kept callable so that the two can be compared.
Result<CompactReadingLattice, JapaneseDistanceError> compact_reading_lattice_text_by_text(
    const UnidicReadingIndex& index, std::string_view text, const ReadingOptions& options,
    std::uint64_t max_nodes = kMaxLatticeStates);

}  // namespace lumra::ja
