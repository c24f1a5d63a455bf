// Whether reading_strings of a text would give strings, fail, or say that
// the text has no readings, found out by counting instead of writing.
//
// A partial alignment by readings must convert every span that might fail,
// even one that can no longer win, as the first failure ends the call. A
// long span of an ambiguous text may hold thousands of reading paths and
// megabytes of romaji; whether any of it fails follows from the lengths of
// its readings and the sizes of its expansions (expansion_size.h), which
// take a walk over the paths that keeps what neighbouring paths share
// (ReadingPathWalker) and no strings at all.
//
// The forecast is never optimistic: kReadings and kNoReadings are certain,
// and whatever it cannot settle cheaply (mixed ASCII text, strings whose
// count with repeats passes the bound on their distinct bytes, any failure)
// is kUnsure, for the caller to convert.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "ja/reading/reading_options.h"
#include "ja/unidic/reading_index.h"

namespace lumra::ja {

enum class ReadingStringsForecast : std::uint8_t {
  kUnsure,      // reading_strings may fail
  kNoReadings,  // it certainly fails with UnsupportedCharacter
  kReadings,    // it certainly gives strings
};

ReadingStringsForecast forecast_reading_strings(const UnidicReadingIndex& index,
                                                std::string_view text,
                                                const ReadingOptions& options);

// The forecast with a bound on the size of the strings, for callers that
// lay them out as one chain per string between a shared start and end (the
// distance form of a partial alignment, which must know whether such a
// lattice would pass the state limit). With kReadings, `inner_symbols`,
// when known, is at least the sum over the strings of their lengths less
// one, and the strings are then either all empty or all non-empty: the
// chain lattice can be built and has at most inner_symbols + 2 nodes. It is
// the strings' bytes less their number, repeats counted, which is never
// below the distinct strings' symbols less theirs.
// With kReadings, `min_symbols` is at most the length of the shortest
// string: each string spells every unit of its path (or of the text), and
// every spelling has a symbol or more.
struct ReadingStringsExtent {
  ReadingStringsForecast forecast = ReadingStringsForecast::kUnsure;
  std::optional<std::uint64_t> inner_symbols;
  std::optional<std::uint64_t> min_symbols;
};
ReadingStringsExtent forecast_reading_strings_extent(const UnidicReadingIndex& index,
                                                     std::string_view text,
                                                     const ReadingOptions& options);

}  // namespace lumra::ja
