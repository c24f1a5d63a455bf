// Reading a UniDic lex.csv into surfaces and their kana readings.
#pragma once

#include <cstdint>
#include <string>

#include "artifacts/build/build_error.h"
#include "artifacts/build/input_problem.h"
#include "artifacts/build/line_reader.h"
#include "artifacts/build/progress.h"
#include "artifacts/build/readings_collector.h"
#include "artifacts/build/unidic_columns.h"
#include "core/base/result.h"

namespace lumra::artifacts::build {

struct UnidicLexiconOptions {
  std::string reading_field = "kana";  // a feature name of the dicrc
  bool exclude_ascii_surfaces = false;
  // Rows whose pos1 is 補助記号, 記号 or 空白: punctuation, symbols, blanks.
  bool exclude_symbol_pos = false;
  // Adds each surface's NFKC form as a surface of its own when it differs.
  bool include_normalized_surfaces = false;
  // Drops readings that the romaji expansion cannot spell.
  bool exclude_unsupported_readings = false;
};

struct UnidicLexiconCounts {
  std::uint64_t rows = 0;
  std::uint64_t rows_used = 0;
  std::uint64_t rows_excluded = 0;         // by the options
  std::uint64_t rows_without_reading = 0;  // "*" or empty in the reading field
};

// Adds every usable row of `lexicon` to `collected`, ranked by its cost:
// the lower the cost, the more often the word occurs, the earlier its
// reading comes. Rows that do not fit the layout, or hold texts over the
// payload limits, go to `problems` with their file and line.
Result<UnidicLexiconCounts, BuildError> read_unidic_lexicon(LineReader& lexicon,
                                                            const UnidicColumns& columns,
                                                            const UnidicLexiconOptions& options,
                                                            ReadingsCollector& collected,
                                                            ProblemLog& problems,
                                                            Progress& progress);

}  // namespace lumra::artifacts::build
