// The best pair of readings between a query and one span at a time.
//
// Both span scores are best pairs, symmetric in the two readings, so only
// the distinct readings of each side count (sorted_readings.h), and a span
// reading equal to a query reading settles the best at once. Otherwise
// the side with more readings is held as a trie (reading_trie.h) and
// searched with each reading of the other: the query's trie is built once,
// a span's only when the span has the more readings. A side too large for
// a trie, or a reading too long for its rows, is compared pair by pair:
// each reading with its match masks built once, against the readings of
// the other side whose length can still matter, found by binary search.
//
// The query keeps nothing per reading beyond its symbols, a signature and
// its trie, however many readings it has.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "core/alignment/reading_list.h"
#include "core/alignment/reading_trie.h"
#include "core/alignment/sorted_readings.h"
#include "core/base/interruption.h"
#include "core/strings/string_workspace.h"

namespace lumra {

// Some 56 MB of trie nodes; a larger query is compared pair by pair.
inline constexpr std::size_t kMaxReadingTrieNodes = std::size_t{1} << 21;
// A query with fewer distinct readings is compared pair by pair.
inline constexpr std::size_t kMinReadingTrieReadings = 256;

// How the pairs are searched: as the sizes suggest, or (for tests) one way
// whenever it can be.
enum class PairSearch { kChosen, kTrie, kPairByPair };

class BestReadingPairs {
 public:
  explicit BestReadingPairs(ReadingList query, PairSearch search = PairSearch::kChosen);
  BestReadingPairs(const BestReadingPairs&) = delete;
  BestReadingPairs& operator=(const BestReadingPairs&) = delete;

  // The span whose pairs the searches below take; `span` must outlive them.
  void set_span(const ReadingList& span);
  // Whether the span shares a reading with the query.
  bool share_a_reading() const;

  // The distance form: see ReadingTrieSearch::lower_distance, over every
  // pair. False when the thread's interruption source stopped it.
  bool lower_distance(bool can_win, std::uint64_t wanted, NearestReading& state);
  // The ratio form: see ReadingTrieSearch::raise_similarity, over every
  // pair. False when stopped.
  bool raise_similarity(double floor, std::optional<double>& found);

 private:
  // The sides as the searches take them: each reading of `outer` against
  // all of `inner`, through `inner_trie` when there is one.
  struct Sides {
    const SortedReadings& outer;
    const SortedReadings& inner;
    const ReadingTrie* inner_trie;
  };
  Sides sides() const;

  ReadingList query_list_;  // the query's own copy, which query_ views
  SortedReadings query_;
  ReadingTrie query_trie_;
  bool query_in_trie_;
  SortedReadings span_;  // refilled for every span
  ReadingTrieSearch search_;
  StringWorkspace strings_;
  InterruptionPoll poll_;  // every pair of readings is work
};

}  // namespace lumra
