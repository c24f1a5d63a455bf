#include "zh/reading/pinyin_readings.h"

#include <optional>
#include <string>

#include "core/base/interruption.h"
#include "core/base/utf8.h"
#include "zh/reading/direct_input.h"
#include "zh/reading/sorted_strings_lattice.h"

namespace lumra::zh {

namespace {

// Runs the routes in order. Gives the one reading of direct input, or
// nothing when `table` holds the strings of a segmented text.
Result<std::optional<std::string>, ChineseDistanceError> read_pinyin(
    const ZhReadingIndex& index, std::string_view text, const ReadingOptions& options,
    PinyinReadingTable& table) {
  if (auto valid = validate_reading_options(options); !valid.ok()) {
    return Fail(dictionary_error(valid.error()));
  }
  if (is_direct_pinyin_input(text)) {
    return std::optional<std::string>(normalize_direct_input(text));
  }
  for (const bool allow_raw_runs : {false, true}) {
    if (auto built = table.build(index, text, options, allow_raw_runs); !built.ok()) {
      return Fail(dictionary_error(built.error()));
    }
    if (table.string_count() > 0) return std::optional<std::string>();
  }
  return Fail(chinese_errors::UnsupportedDirectInput{std::string(text)});
}

}  // namespace

Result<ja::TextList, ChineseDistanceError> pinyin_reading_strings(const ZhReadingIndex& index,
                                                                  std::string_view text,
                                                                  const ReadingOptions& options,
                                                                  PinyinReadingTable& table) {
  LUMRA_TRY_ASSIGN(const std::optional<std::string> direct,
                   read_pinyin(index, text, options, table));
  ja::TextList strings;
  if (direct) {
    strings.push_back(*direct);
    return strings;
  }
  // Each string is as long as the text's reading, and there may be
  // max_paths of them: bounded together, or a long text would take
  // gigabytes.
  std::string reading;
  for (std::size_t k = 0; k < table.string_count(); ++k) {
    reading.clear();
    table.append_string(k, reading);
    strings.push_back(reading);
    if (strings.total_bytes() > kMaxReadingStringBytes) {
      return Fail(chinese_errors::ReadingStringsTooLarge{strings.total_bytes(),
                                                         kMaxReadingStringBytes});
    }
  }
  return strings;
}

Result<PathLattice, ChineseDistanceError> pinyin_reading_lattice(const ZhReadingIndex& index,
                                                                 std::string_view text,
                                                                 const ReadingOptions& options,
                                                                 PinyinReadingTable& table) {
  LUMRA_TRY_ASSIGN(const std::optional<std::string> direct,
                   read_pinyin(index, text, options, table));
  std::string reading;
  if (!direct && table.string_count() == 1) table.append_string(0, reading);
  if (direct || table.string_count() == 1) {
    // One string makes the same chain in every builder; this one is the
    // cheapest, and takes the empty string too.
    const std::vector<Symbol> symbols = decode_utf8(direct ? *direct : reading);
    const Symbols path = symbols;
    return std::move(PathLattice::from_paths({path})).value();
  }
  // The strings come in ascending byte order, which is their order as
  // scalar values, so the one-pass builder gives from_paths_compact's
  // lattice.
  // Each string is written out and added whole: for a long text at a large
  // max_paths this is most of the call, seconds of it.
  SortedStringsLattice builder;
  InterruptionPoll poll;
  for (std::size_t k = 0; k < table.string_count(); ++k) {
    reading.clear();
    table.append_string(k, reading);
    builder.add(reading);
    if (poll.stop_after(8 * reading.size())) {
      return Fail(chinese_errors::Dictionary{lumra::message(Interrupted{})});
    }
  }
  auto lattice = builder.finish();
  // Every string of a segmented text holds a dictionary reading, never empty
  // in a validated index, so the builder does not fail; an index that breaks
  // that promise is reported rather than trusted.
  if (!lattice.ok()) return Fail(chinese_errors::Dictionary{lumra::message(lattice.error())});
  return std::move(lattice).value();
}

Result<ja::TextList, ChineseDistanceError> pinyin_reading_strings(const ZhReadingIndex& index,
                                                                  std::string_view text,
                                                                  const ReadingOptions& options) {
  PinyinReadingTable table;
  return pinyin_reading_strings(index, text, options, table);
}

Result<PathLattice, ChineseDistanceError> pinyin_reading_lattice(const ZhReadingIndex& index,
                                                                 std::string_view text,
                                                                 const ReadingOptions& options) {
  PinyinReadingTable table;
  return pinyin_reading_lattice(index, text, options, table);
}

}  // namespace lumra::zh
