// Partial alignment by readings: the span of a text that sounds most like a
// query.
//
// The search of partial_alignment.h, with spans scored by their readings
// instead of their characters (reading_span_scorers.h). The language is the
// caller's: it turns the query into its reading strings beforehand, and
// passes a converter that turns the text of one span into its readings.
// Positions in the result count the scalar values of `query` and `text`,
// never of their readings.
//
// The converter is called as convert(std::string_view span_text), the
// span's UTF-8 bytes, and returns Result<std::optional<Texts>, E>:
//   - the span's reading strings: Texts is any range of UTF-8 strings
//     (anything that converts to std::string_view; their order and repeats
//     do not matter);
//   - std::nullopt when the span has no readings: the span is left out;
//   - an error, which ends the search and comes back as index 0 of
//     ReadingAlignmentError<E>. The core's own failures (DistanceMatrixTooLarge,
//     the ratio cutoff's range, a reading list no chain lattice holds) come
//     back as index 1.
// Conversion must depend on the span text alone (and fixed options): a text
// that occurs at several positions is converted and scored once, since a
// later occurrence can never beat an earlier one.
//
// A caller may also pass an outlook, called as outlook(std::string_view
// span_text) and returning a SpanOutlook (span_outlook.h): what the
// conversion of the span would give, told without writing its readings
// out. It is asked only about spans that may no longer beat the best one
// (whatever their score, or with readings as long as the span suggests),
// and a span whose outlook shows that it cannot win and that neither its
// conversion nor its scoring could fail is left out unconverted. The
// outcome is that of converting every span, errors and their order
// included.
//
// Wiring a dictionary (a sketch for the Japanese class; the Chinese one
// calls zh::pinyin_reading_strings and leaves out the spans failing with
// ChineseDistanceError's UnsupportedDirectInput):
//
//   // The query's readings: any failure, no readings included, is the
//   // caller's error.
//   LUMRA_TRY_ASSIGN(const ja::TextList query_readings,
//                    ja::reading_strings(index, query, options));
//   auto convert = [&](std::string_view span)
//       -> Result<std::optional<ja::TextList>, ja::JapaneseDistanceError> {
//     auto readings = ja::reading_strings(index, span, options);
//     if (readings) return std::optional<ja::TextList>(std::move(readings).value());
//     if (std::holds_alternative<ja::distance_errors::UnsupportedCharacter>(readings.error())) {
//       return std::optional<ja::TextList>();  // no readings: skip the span
//     }
//     return Fail(readings.take_error());
//   };
//   auto aligned = partial_distance_alignment_by_readings(query, query_readings, text,
//                                                         max_span_chars, cutoff, convert);
//   // !aligned: std::visit the error; index 0 a JapaneseDistanceError,
//   // index 1 a CoreError, each with its message().
//   // aligned.value(): std::nullopt (None) or the Alignment tuple.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <type_traits>
#include <unordered_set>
#include <utility>
#include <variant>
#include <vector>

#include "core/alignment/partial_alignment.h"
#include "core/alignment/reading_list.h"
#include "core/alignment/reading_span_scorers.h"
#include "core/alignment/span_enumeration.h"
#include "core/alignment/span_outlook.h"
#include "core/alignment/span_texts.h"
#include "core/base/errors.h"
#include "core/base/result.h"
#include "core/base/utf8.h"

namespace lumra {

// Index 0: the converter's error; index 1: the core's.
template <class ConversionError>
using ReadingAlignmentError = std::variant<ConversionError, CoreError>;

// The longest span considered: `max_span_chars`, or when it is 0 a window
// chosen from the query: twice its length or its length plus 4, whichever
// is larger (0 for an empty query), and at least its longest reading.
std::uint64_t reading_alignment_window(std::uint64_t max_span_chars, std::uint64_t query_length,
                                       std::uint64_t longest_query_reading);

namespace reading_alignment_detail {

// The span texts already scored in one search. The set is emptied when it
// grows large, so a long text costs bounded memory; a span scored twice
// only costs time, never changes the alignment.
class SeenSpanTexts {
 public:
  // True the first time `text` is seen (since the set was last emptied).
  bool insert(std::string_view text);

 private:
  std::unordered_set<std::string_view> seen_;
};

template <class Outcome>
struct ConversionParts;
template <class Texts, class E>
struct ConversionParts<Result<std::optional<Texts>, E>> {
  using Error = E;
};

template <class Converter>
using ConversionError = typename ConversionParts<
    std::invoke_result_t<std::remove_reference_t<Converter>&, std::string_view>>::Error;

template <class Form, class Converter>
using Outcome = Result<std::optional<Alignment<typename Form::Score>>,
                       ReadingAlignmentError<ConversionError<Converter>>>;

template <class Form, class SpanScorer, class Converter, class Outlook>
Outcome<Form, Converter> align(std::string_view query, std::uint64_t longest_query_reading,
                               std::string_view text, std::uint64_t max_span_chars,
                               const Form& form, SpanScorer& span_scorer, Converter& convert,
                               Outlook& outlook) {
  using Score = typename Form::Score;
  using Error = ReadingAlignmentError<ConversionError<Converter>>;

  const std::vector<Symbol> query_symbols = decode_utf8(query);
  const SpanTexts spans(text);
  const std::uint64_t window =
      reading_alignment_window(max_span_chars, query_symbols.size(), longest_query_reading);
  SeenSpanTexts seen;
  bool lengths_told = true;  // until an outlook shows otherwise
  ReadingList readings;      // refilled for every span
  auto scorer = [&](const TextSpan& span, const std::optional<Alignment<Score>>& best)
      -> Result<std::optional<Score>, Error> {
    const std::string_view span_text = spans.text(span.start, span.end);
    if (!seen.insert(span_text)) return std::optional<Score>();
    const std::uint64_t span_length = span.end - span.start;
    if (span_scorer.worth_an_outlook(span_length, best, lengths_told)) {
      const SpanOutlook told = outlook(span_text);
      // An outlook that does not tell the shortest reading is not asked
      // again on those grounds.
      if (told.kind == SpanOutlook::Kind::kReadings && !told.min_symbols) lengths_told = false;
      if (span_scorer.passes_over(told, span_length, best)) return std::optional<Score>();
    }
    auto converted = convert(span_text);
    if (!converted) return Fail(Error(std::in_place_index<0>, converted.take_error()));
    if (!converted.value()) return std::optional<Score>();
    readings.assign(*converted.value());
    auto scored = span_scorer.score(readings, span_length, best);
    if (!scored) return Fail(Error(std::in_place_index<1>, scored.take_error()));
    return scored.value();
  };
  return partial_alignment(query_symbols, spans.symbols(), window, form, scorer);
}

}  // namespace reading_alignment_detail

// The span whose readings are nearest to the query's: the smallest lattice
// Levenshtein distance between the chain lattices of the two reading lists,
// among the spans with some reading pair of similarity above 0.0; with
// cutoff k only distances up to k. Ties go to the shorter span, then the
// earlier one. Fails, before any span, when `query_readings` is empty or
// mixes empty and non-empty readings.
// With `outlook`, spans that cannot win are left alone where it allows.
template <class QueryTexts, class Converter, class Outlook = NoSpanOutlook>
reading_alignment_detail::Outcome<DistanceForm, Converter> partial_distance_alignment_by_readings(
    std::string_view query, const QueryTexts& query_readings, std::string_view text,
    std::uint64_t max_span_chars, std::optional<std::uint64_t> cutoff, Converter&& convert,
    Outlook&& outlook = Outlook()) {
  using Error = ReadingAlignmentError<reading_alignment_detail::ConversionError<Converter>>;
  ReadingList readings;
  readings.assign(query_readings);
  auto nodes = ReadingDistanceScorer::query_node_count(readings);
  if (!nodes) return Fail(Error(std::in_place_index<1>, nodes.take_error()));
  const std::uint64_t longest = readings.longest();
  ReadingDistanceScorer scorer(std::move(readings), nodes.value(), cutoff);
  return reading_alignment_detail::align(query, longest, text, max_span_chars,
                                         DistanceForm{cutoff}, scorer, convert, outlook);
}

// The span whose readings score the highest best-pair similarity with the
// query's, above 0.0 and, with cutoff c, at least c. Ties go to the shorter
// span, then the earlier one. A cutoff outside [0, 1] fails at the first
// span with readings (a text without any returns nothing).
template <class QueryTexts, class Converter, class Outlook = NoSpanOutlook>
reading_alignment_detail::Outcome<RatioForm, Converter> partial_ratio_alignment_by_readings(
    std::string_view query, const QueryTexts& query_readings, std::string_view text,
    std::uint64_t max_span_chars, std::optional<double> cutoff, Converter&& convert,
    Outlook&& outlook = Outlook()) {
  ReadingList readings;
  readings.assign(query_readings);
  const std::uint64_t longest = readings.longest();
  ReadingRatioScorer scorer(std::move(readings), cutoff);
  return reading_alignment_detail::align(query, longest, text, max_span_chars,
                                         RatioForm{cutoff}, scorer, convert, outlook);
}

}  // namespace lumra
