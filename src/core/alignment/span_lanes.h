// The distances of a long query to the spans of four neighbouring starts,
// swept side by side in the four 64-bit lanes of an AVX2 register.
//
// A partial alignment of a long query sweeps the text once per start
// (span_distances.h), ceil(m / 64) word steps per text symbol, and the words
// of one column depend on each other through the carry of the addition, so
// one sweep keeps a processor waiting on that chain. Four starts s .. s + 3
// are independent, and staggered by one symbol they read the same text
// symbol at each step: lane k joins at step k + 1, so at step g every lane
// consumes text[s + g - 1] and lane k holds the span [s + k, s + g). One
// broadcast of that symbol's masks then feeds all four columns, and each
// vector instruction advances four sweeps.
//
// The lanes compute what SpanDistances computes for each start, step for
// step; only the order in which the spans' distances become known differs.
#pragma once

#include <cstdint>
#include <vector>

#include "core/base/symbols.h"
#include "core/strings/internal/pattern_match.h"

namespace lumra {

class SpanDistanceLanes {
 public:
  static constexpr std::size_t kLanes = 4;

  // Whether this processor runs the lanes, and whether a query of `length`
  // symbols gains from them: past a few words the shared masks and the
  // independent lanes beat one sweep at a time.
  static bool worth_it(std::size_t length);

  // `query` (worth_it) and `text` must outlive the object.
  SpanDistanceLanes(Symbols query, Symbols text);
  SpanDistanceLanes(const SpanDistanceLanes&) = delete;
  SpanDistanceLanes& operator=(const SpanDistanceLanes&) = delete;

  // Starts the lanes at `first` .. `first` + 3, before any step; a lane
  // whose start is past the text's end never joins.
  void restart(std::uint64_t first);
  // Consumes the next text symbol (step() times so far < text length -
  // first): lane k joins now if this is step k + 1.
  void step();
  // Steps taken since restart().
  std::uint64_t steps() const { return steps_; }
  // The distance of the query to lane k's span [first + k, first + steps()),
  // once steps() > k.
  std::uint64_t distance(std::size_t lane) const { return scores_[lane]; }

 private:
  void join(std::size_t lane);

  Symbols query_;
  Symbols text_;
  std::size_t words_;
  std::uint64_t last_row_;
  internal::PatternMatchBlocks masks_;
  // Per word, the positive then the negative vertical differences of the
  // four lanes: 2 * kLanes values, 64-byte aligned.
  std::vector<std::uint64_t> storage_;
  std::uint64_t* columns_ = nullptr;
  alignas(32) std::uint64_t scores_[kLanes] = {};
  std::uint64_t first_ = 0;
  std::uint64_t steps_ = 0;
};

}  // namespace lumra
