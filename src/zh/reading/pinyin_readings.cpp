#include "zh/reading/pinyin_readings.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "core/base/interruption.h"
#include "core/base/utf8.h"
#include "zh/reading/direct_input.h"
#include "zh/reading/sorted_strings_lattice.h"

namespace lumra::zh {

namespace {

// Every string of a segmented text holds a dictionary reading, never empty
// in a validated index, so the builders do not fail on the empty-path rules;
// an index that breaks that promise is reported rather than trusted. A
// building stopped by the thread's interruption source fails the same way,
// and its installer discards the result.
ChineseDistanceError lattice_failure(const LatticeError& error) {
  return chinese_errors::Dictionary{lumra::message(error)};
}

Result<PathLattice, ChineseDistanceError> lattice_or_failure(
    Result<PathLattice, LatticeError> built) {
  if (!built.ok()) return Fail(lattice_failure(built.error()));
  return std::move(built).value();
}

// The lattice of the segmented text's strings, each written out and added
// whole, for the texts whose shared tails the walk gave up on. The strings
// come in ascending byte order, which is their order as scalar values, so
// the one-pass builder gives from_paths_compact's lattice.
Result<PathLattice, ChineseDistanceError> written_lattice(const PinyinReadingTable& table) {
  SortedStringsLattice builder;
  InterruptionPoll poll;
  std::string reading;
  for (std::size_t k = 0; k < table.string_count(); ++k) {
    reading.clear();
    table.append_string(k, reading);
    builder.add(reading);
    if (poll.stop_after(8 * reading.size())) return Fail(lattice_failure(Interrupted{}));
  }
  return lattice_or_failure(builder.finish());
}

Result<PathLattice, ChineseDistanceError> direct_lattice(const std::string& reading) {
  const std::vector<Symbol> symbols = decode_utf8(reading);
  const Symbols path = symbols;
  return lattice_or_failure(PathLattice::from_paths({path}));
}

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
    // A stopped segmentation leaves the table as for a text without
    // readings; that must not read as one.
    if (const InterruptionSource* source = installed_interruption_source();
        source != nullptr && source->stopped()) {
      return Fail(lattice_failure(Interrupted{}));
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

Result<PinyinStringsExtent, ChineseDistanceError> pinyin_reading_strings_extent(
    const ZhReadingIndex& index, std::string_view text, const ReadingOptions& options,
    PinyinReadingTable& table) {
  LUMRA_TRY_ASSIGN(const std::optional<std::string> direct,
                   read_pinyin(index, text, options, table));
  if (direct) return PinyinStringsExtent{1, direct->size()};
  // From the end backwards, the longest string of each position is at most
  // the longest front of its pieces before the longest string where that
  // front ends (a piece takes some of those strings, maybe not that one).
  const TailTable& tails = table.tails();
  const std::size_t positions = tails.char_count();
  std::vector<std::uint64_t> longest(positions + 1, 0);
  for (std::size_t p = positions; p-- > 0;) {
    std::uint64_t most = 0;
    for (std::uint32_t k = 0; k < tails.piece_count(p); ++k) {
      const TailTable::PieceView piece = tails.piece(p, k);
      most = std::max<std::uint64_t>(
          most, piece.front.first.size() + piece.front.then.size() + longest[piece.end]);
    }
    longest[p] = most;
  }
  return PinyinStringsExtent{table.string_count(), positions == 0 ? 0 : longest[0]};
}

Result<CompactTailLattice, ChineseDistanceError> pinyin_searchable_lattice(
    const ZhReadingIndex& index, std::string_view text, const ReadingOptions& options,
    PinyinReadingTable& table, std::uint64_t max_nodes) {
  LUMRA_TRY_ASSIGN(const std::optional<std::string> direct,
                   read_pinyin(index, text, options, table));
  if (!direct) {
    auto walked = compact_tail_lattice(table.tails(), max_nodes);
    if (!walked.ok()) return Fail(lattice_failure(walked.error()));
    if (walked.value()) return std::move(*walked.value());
  }
  // One string of direct input makes the same chain in every builder; this
  // one is the cheapest, and takes the empty string too.
  LUMRA_TRY_ASSIGN(PathLattice lattice, direct ? direct_lattice(*direct) : written_lattice(table));
  const std::uint64_t nodes = lattice.node_count();
  return CompactTailLattice{std::move(lattice), nodes};
}

Result<PathLattice, ChineseDistanceError> pinyin_reading_lattice(const ZhReadingIndex& index,
                                                                 std::string_view text,
                                                                 const ReadingOptions& options,
                                                                 PinyinReadingTable& table) {
  LUMRA_TRY_ASSIGN(const std::optional<std::string> direct,
                   read_pinyin(index, text, options, table));
  if (direct) return direct_lattice(*direct);
  auto walked = compact_tail_lattice(table.tails(), std::numeric_limits<std::uint64_t>::max());
  if (!walked.ok()) return Fail(lattice_failure(walked.error()));
  std::optional<CompactTailLattice>& built = walked.value();
  if (built && built->lattice) return std::move(*built->lattice);
  return written_lattice(table);
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
