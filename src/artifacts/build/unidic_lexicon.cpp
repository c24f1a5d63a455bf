#include "artifacts/build/unidic_lexicon.h"

#include <charconv>
#include <string_view>
#include <vector>

#include "artifacts/build/csv_row.h"
#include "artifacts/build/hiragana.h"
#include "artifacts/build/nfkc.h"
#include "core/base/message_template.h"
#include "ja/romaji/split_units.h"
#include "ja/unidic/payload.h"
#include "ja/unidic/unidic_load_error.h"

namespace lumra::artifacts::build {

namespace {

using Limits = ja::UnidicArtifactLimits;

bool is_ascii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

bool is_symbol_pos(std::string_view pos1) {
  return pos1 == "補助記号" || pos1 == "記号" || pos1 == "空白";
}

// The text of a problem with one text field of the row, or nothing.
std::optional<std::string> text_problem(std::string_view name, std::string_view text) {
  if (auto error = ja::find_utf8_error(text)) {
    return fill_message("invalid UTF-8 in the {}: {}", name, ja::message(*error));
  }
  if (text.size() > Limits::kSurfaceBytes) {
    return fill_message("the {} has {} bytes, over the limit of {}", name, text.size(),
                        Limits::kSurfaceBytes);
  }
  return std::nullopt;
}

}  // namespace

Result<UnidicLexiconCounts, BuildError> read_unidic_lexicon(LineReader& lexicon,
                                                            const UnidicColumns& columns,
                                                            const UnidicLexiconOptions& options,
                                                            ReadingsCollector& collected,
                                                            ProblemLog& problems,
                                                            Progress& progress) {
  auto reading_column = columns.column(options.reading_field);
  if (!reading_column) {
    return Fail(BuildFailure{fill_message("the dicrc declares no feature {}",
                                          Quoted{options.reading_field})});
  }
  auto pos_column = columns.column("pos1");
  if (options.exclude_symbol_pos && !pos_column) {
    return Fail(BuildFailure{"the dicrc declares no feature \"pos1\" to exclude symbols by"});
  }
  static_assert(Limits::kSurfaceBytes == Limits::kReadingBytes);

  UnidicLexiconCounts counts;
  std::vector<std::string> fields;
  std::string_view line;
  auto problem = [&](std::string what) {
    return problems.report(InputProblem{lexicon.path(), lexicon.line_number(), std::move(what)});
  };
  while (lexicon.next(line)) {
    progress.rows("reading lex.csv", lexicon.line_number(), lexicon.bytes_read(), lexicon.size());
    if (line.empty()) continue;
    ++counts.rows;
    if (auto split = split_csv_row(line, fields); !split.ok()) {
      LUMRA_TRY(problem(split.error().what));
      continue;
    }
    if (fields.size() != columns.row_width()) {
      LUMRA_TRY(problem(fill_message("{} columns where the dicrc declares {}", fields.size(),
                                     columns.row_width())));
      continue;
    }
    const std::string& surface = fields[0];
    if (surface.empty()) {
      LUMRA_TRY(problem("empty surface"));
      continue;
    }
    if (auto what = text_problem("surface", surface)) {
      LUMRA_TRY(problem(*what));
      continue;
    }
    std::int64_t cost = 0;
    const std::string& cost_text = fields[3];
    auto [end, error] =
        std::from_chars(cost_text.data(), cost_text.data() + cost_text.size(), cost);
    if (error != std::errc{} || end != cost_text.data() + cost_text.size()) {
      LUMRA_TRY(problem(fill_message("the cost {} is not an integer", Quoted{cost_text})));
      continue;
    }
    if ((options.exclude_ascii_surfaces && is_ascii(surface)) ||
        (options.exclude_symbol_pos && is_symbol_pos(fields[*pos_column]))) {
      ++counts.rows_excluded;
      continue;
    }
    const std::string& raw_reading = fields[*reading_column];
    if (raw_reading.empty() || raw_reading == "*") {
      ++counts.rows_without_reading;
      continue;
    }
    if (auto what = text_problem("reading", raw_reading)) {
      LUMRA_TRY(problem(*what));
      continue;
    }
    std::string reading = katakana_to_hiragana(raw_reading);
    if (options.exclude_unsupported_readings && !ja::is_romaji_expandable(reading)) {
      ++counts.rows_excluded;
      continue;
    }
    ++counts.rows_used;
    collected.add(surface, reading, cost);
    if (options.include_normalized_surfaces) {
      auto normalized = nfkc_if_different(surface);
      if (normalized && !normalized->empty() && normalized->size() <= Limits::kSurfaceBytes &&
          !(options.exclude_ascii_surfaces && is_ascii(*normalized))) {
        collected.add(*normalized, reading, cost);
      }
    }
  }
  if (lexicon.failure()) return Fail(*lexicon.failure());
  return counts;
}

}  // namespace lumra::artifacts::build
