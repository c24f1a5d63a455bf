// The romaji lattice of a segmentation's reading texts, each split whole,
// spelled from the graph the texts share instead of one text at a time.
//
// A text of a few kanji has up to max_paths reading texts, and adding them
// one by one to a RomajiLatticeBuilder costs work for every distinct prefix
// of them. They are held as the segmentation's shared tails, whose compact
// lattice (core/segmentation/compact_tail_lattice.h) has a few dozen kana
// arcs. Splitting a kana text into units and giving each unit its spellings
// looks at most three characters ahead, so it runs along that lattice's
// arcs with the last characters not yet read into a unit as its state; the
// graph of variant lists that comes out is made deterministic and spelled
// as the builder's spelling trie spells its lists. The node count that the
// state limit checks is the sum, over the texts, of the nodes the builder
// makes for each, found per arc by counting the texts that pass through it
// with each set of vowel classes.
#pragma once

#include <cstdint>
#include <optional>

#include "core/lattice/lattice.h"
#include "ja/unidic/segmentation.h"

namespace lumra::ja {

struct SpelledReadingTexts {
  // Every spelling of every text that can be spelled; absent when none can.
  std::optional<PathLattice> lattice;
  // The node count of the lattice a RomajiLatticeBuilder writes when it is
  // given the texts in order, each split as one dictionary reading
  // (punctuation not allowed), those that cannot be spelled skipped.
  std::uint64_t built_nodes;
};

// The texts of `table`'s paths spelled as above, or nothing when this way
// cannot tell cheaply: the builder would pass `max_nodes` (whose exact
// failure the builder reports), the texts' lattice is beyond reach, or the
// thread's interruption source stopped it. The builder then gives the
// answer; whenever this gives one, it is the builder's (same strings, same
// node count, a lattice as small as the builder's compact one).
std::optional<SpelledReadingTexts> spell_reading_texts(const ReadingPathTable& table,
                                                       std::uint64_t max_nodes);

}  // namespace lumra::ja
