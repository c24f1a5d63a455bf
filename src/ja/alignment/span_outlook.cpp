#include "ja/alignment/span_outlook.h"

#include <cstdint>
#include <optional>

#include "ja/forecast/reading_strings_forecast.h"

namespace lumra::ja {

SpanOutlook reading_strings_outlook(const UnidicReadingIndex& index, std::string_view text,
                                    const ReadingOptions& options) {
  const ReadingStringsExtent extent = forecast_reading_strings_extent(index, text, options);
  switch (extent.forecast) {
    case ReadingStringsForecast::kUnsure: break;
    case ReadingStringsForecast::kNoReadings:
      return SpanOutlook{SpanOutlook::Kind::kNoReadings, std::nullopt, std::nullopt};
    case ReadingStringsForecast::kReadings: {
      // A chain lattice has a shared start and end, and one node after
      // every symbol but the last of each string.
      std::optional<std::uint64_t> chain_nodes;
      std::uint64_t nodes = 0;
      if (extent.inner_symbols && !__builtin_add_overflow(*extent.inner_symbols, 2, &nodes)) {
        chain_nodes = nodes;
      }
      return SpanOutlook{SpanOutlook::Kind::kReadings, chain_nodes, extent.min_symbols};
    }
  }
  return SpanOutlook{};
}

}  // namespace lumra::ja
