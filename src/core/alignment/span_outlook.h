// SpanOutlook: what can be told of a span's readings without writing them
// out.
//
// A partial alignment by readings cannot simply pass over the spans that
// can no longer beat the best one found: a span whose conversion fails ends
// the search with that failure, in span order, whatever its score. Writing
// out a long span's readings may cost megabytes, though, while finding out
// whether they would fail usually costs a segmentation and some counting.
// A language that can count its readings says so through a SpanOutlook, and
// the search converts only the spans that may still win or may still fail.
//
// An outlook must never be optimistic: it says NoReadings or Readings only
// when the conversion certainly gives that outcome, `chain_nodes` is never
// below the true count and `min_symbols` never above the shortest reading.
// Unknown is always a correct answer.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace lumra {

struct SpanOutlook {
  enum class Kind : std::uint8_t {
    kUnknown,     // the conversion may fail: the span is converted
    kNoReadings,  // the conversion certainly reports that the span has none
    kReadings,    // the conversion certainly gives readings
  };
  Kind kind = Kind::kUnknown;
  // With kReadings, when known: at least the node count of the chain
  // lattice of the readings (repeats counted), which is then certain to
  // be buildable (no empty reading beside non-empty ones). A span that the
  // distance form would search must fit the lattice state limit.
  std::optional<std::uint64_t> chain_nodes;
  // With kReadings, when known: at most the length in scalar values of
  // the shortest reading, so that a span whose readings are all much
  // longer than the query's is known to be far from it.
  std::optional<std::uint64_t> min_symbols;
};

// The outlook of a language that cannot tell: every span is converted.
struct NoSpanOutlook {
  SpanOutlook operator()(std::string_view) const { return SpanOutlook{}; }
};

}  // namespace lumra
