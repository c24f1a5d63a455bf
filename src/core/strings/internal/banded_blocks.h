// The multi-word kernels over the diagonal band of a bound, shared by the
// bit-parallel metrics.
//
// The pattern is split into 64-row words and each text symbol advances the
// words of its column that meet the band (diagonal_band.h), low word first,
// carrying the addition and the shifted horizontal differences upwards.
// What differs between the metrics is what makes a cell a diagonal zero
// before the carry chain spreads them: a `Words` policy says so for each
// word (see LevenshteinWords and OsaWords in the metrics' files):
//   begin_column(eq, d0, first_word)  before the first word of a column;
//   matches(w, eq, vn, d0)            the diagonal-zero sources of word w,
//                                     d0 still holding the previous column;
//   end_column(eq, d0, first_word)    after the last word.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/base/interruption.h"
#include "core/strings/internal/bit_parallel.h"
#include "core/strings/internal/diagonal_band.h"
#include "core/strings/osa.h"
#include "core/strings/internal/pattern_match.h"
#include "core/strings/string_workspace.h"
#include "core/base/symbols.h"

namespace lumra::internal {

// One pass over the band of `bound`; needs m >= 1 and
// |n - m| <= bound <= max(m, n).
template <class Words>
BandPass blocks_in_band(const PatternMatchBlocks& pattern, Symbols text,
                                      std::uint64_t bound, StringWorkspace& workspace) {
  const std::size_t m = pattern.length();
  const std::size_t words = pattern.words();
  if (text.empty()) return {true, m, 0};
  const DiagonalBand band(m, text.size(), bound);

  std::vector<std::uint64_t>& columns = workspace.buffers().bit_columns;
  columns.resize(3 * words);
  std::uint64_t* vp = columns.data();
  std::uint64_t* vn = vp + words;
  std::uint64_t* d0 = vn + words;  // of the last column computed; all ones where unknown
  const std::uint64_t last = last_row_bit(m);
  Words metric(pattern);

  // Column 0 is 0, 1, ..., m; only the first word is set up front, the
  // others join when the band reaches them. Words join below the last one,
  // so only the last word's bottom value (`score`) needs tracking.
  std::size_t first_word = 0;
  std::size_t last_word = 0;
  pattern.reach(0);
  vp[0] = kAllOnes;
  vn[0] = 0;
  d0[0] = kAllOnes;
  std::uint64_t score = rows_in_word(m, 0);

  // The value on the final diagonal: |n - m| where the diagonal leaves the
  // table border (row 0 or column 0).
  const std::int64_t delta = band.delta();
  std::uint64_t diagonal = length_difference(m, text.size());

  // A long pattern against a long text can take seconds. Stopped, the pass
  // claims to be within, so that every caller ends at once; its value then
  // means nothing (interruption.h). A narrow band costs a few instructions
  // a column, so the poll counts columns in runs of 64.
  InterruptionPoll poll;
  for (std::size_t column = 1; column <= text.size(); ++column) {
    if (column % 64 == 0 && poll.stop_after_out_of_line(64 * 64 * (last_word - first_word + 1)))
        [[unlikely]] {
      return {true, 0, 0};
    }
    const auto j = static_cast<std::int64_t>(column);
    const std::uint64_t* eq = pattern.row(text[column - 1]);

    // A word entering the band starts from the column before as if every
    // row below the previous word grew by one: a real path (straight down),
    // hence never below the true values, which is all the band needs.
    const auto wanted_last = static_cast<std::size_t>((band.last_row(j) - 1) / 64);
    while (last_word < wanted_last) {
      ++last_word;
      pattern.reach(last_word);
      vp[last_word] = kAllOnes;
      vn[last_word] = 0;
      d0[last_word] = kAllOnes;
      score += rows_in_word(m, last_word);
    }
    // A word leaving the band is dropped; the word below then sees a +1
    // horizontal difference above it, again a real path (straight right).
    first_word = std::max(first_word, static_cast<std::size_t>((band.first_row(j) - 1) / 64));

    std::uint64_t carry = 0;
    std::uint64_t hp_in = 1;
    std::uint64_t hn_in = 0;
    std::uint64_t hp = 0;
    std::uint64_t hn = 0;
    metric.begin_column(eq, d0, first_word);
    for (std::size_t w = first_word; w <= last_word; ++w) {
      const std::uint64_t x = metric.matches(w, eq, vn, d0);
      const std::uint64_t zero = (add_with_carry(x & vp[w], vp[w], carry) ^ vp[w]) | x;
      hp = vn[w] | ~(zero | vp[w]);
      hn = zero & vp[w];
      const std::uint64_t hp_shifted = (hp << 1) | hp_in;
      const std::uint64_t hn_shifted = (hn << 1) | hn_in;
      hp_in = hp >> 63;
      hn_in = hn >> 63;
      vp[w] = hn_shifted | ~(zero | hp_shifted);
      vn[w] = hp_shifted & zero;
      d0[w] = zero;
    }
    const std::uint64_t bottom = last_word + 1 == words ? last : kTopBit;
    score += (hp & bottom) ? 1 : 0;
    score -= (hn & bottom) ? 1 : 0;
    metric.end_column(eq, d0, first_word);

    // The band always holds the final diagonal, so its word was computed.
    const std::int64_t diagonal_row = j - delta;  // 1-based
    if (diagonal_row >= 1) {
      const auto row = static_cast<std::size_t>(diagonal_row - 1);
      diagonal += 1 - ((d0[row / 64] >> (row % 64)) & 1);
      if (diagonal > bound) {
        return {false, diagonal, static_cast<std::uint64_t>(j - std::max<std::int64_t>(0, delta))};
      }
    }
  }
  return {score <= bound, score, std::min(m, text.size())};
}

// The distance: close texts first try a narrow band (BandSchedule), and no
// distance exceeds the longer length, so the full band always ends the
// schedule with the distance.
template <class Words>
std::uint64_t blocks_distance(const PatternMatchBlocks& pattern, Symbols text,
                              StringWorkspace& workspace) {
  if (pattern.length() == 0) return text.size();
  BandSchedule schedule(pattern.length(), text.size());
  while (true) {
    const BandPass pass =
        blocks_in_band<Words>(pattern, text, schedule.bound(), workspace);
    if (pass.within || schedule.full()) return pass.value;
    schedule.failed(pass.value, pass.steps);
  }
}

template <class Words>
BoundedDistance blocks_distance_within(const PatternMatchBlocks& pattern, Symbols text,
                                       std::uint64_t bound, StringWorkspace& workspace) {
  const std::size_t m = pattern.length();
  const std::size_t n = text.size();
  if (length_difference(m, n) > bound) return {false, 0};
  if (m == 0) return {true, n};
  const BandPass pass = blocks_in_band<Words>(
      pattern, text, std::min<std::uint64_t>(bound, std::max(m, n)), workspace);
  return {pass.within, pass.value};
}

}  // namespace lumra::internal
