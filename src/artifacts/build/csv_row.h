// One row of a comma-separated lexicon, as MeCab's dictionary compiler
// reads it: fields split at commas, a field may be wrapped in double quotes
// so that it can hold commas, and "" inside quotes stands for one quote.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/base/result.h"

namespace lumra::artifacts::build {

// Why a line is not a row; `what` reads as the end of a sentence
// ("unterminated quoted field").
struct CsvRowError {
  std::string what;
};

// Splits `line` (without its line break) into `fields`, reusing their
// storage. A quote that opens a field must close it, and the closing quote
// must end the field.
Status<CsvRowError> split_csv_row(std::string_view line, std::vector<std::string>& fields);

}  // namespace lumra::artifacts::build
