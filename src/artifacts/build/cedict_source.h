// Reading CC-CEDICT in its two common forms:
//   - the text edition, one entry a line:
//       中國 中国 [Zhong1 guo2] /China/
//     with "#" comment lines, among them "#! date=..." naming the release;
//   - the dictd edition Debian ships: a .index of headword, base64 offset
//     and length into the gzip-compressed .dict.dz, where each article reads
//       中國|中国          (traditional|simplified, or one form for both)
//       [Zhōng guó]       (tone marks)
//       China             (glosses)
//     and the "00-database-short" article names the release.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "artifacts/build/build_error.h"
#include "artifacts/build/input_problem.h"
#include "artifacts/build/progress.h"
#include "core/base/result.h"

namespace lumra::artifacts::build {

struct CedictEntry {
  std::string_view traditional;
  std::string_view simplified;
  std::string_view pinyin;  // tone digits, syllables separated by spaces
};

// Called once per entry in source order; returns the problem that makes
// the entry unusable (reported at the entry's place), or nothing.
using CedictEntrySink = std::function<std::optional<std::string>(const CedictEntry& entry)>;

struct CedictCounts {
  std::uint64_t entries = 0;
  std::string release;  // as the source names it, or empty
};

// The text edition at `path`.
Result<CedictCounts, BuildError> read_cedict_text(std::string_view path,
                                                  const CedictEntrySink& sink,
                                                  ProblemLog& problems, Progress& progress);

// The dictd edition: `index_path` and the compressed articles at
// `dict_path`. Problems are placed at the index line of the article.
Result<CedictCounts, BuildError> read_cedict_dictd(std::string_view index_path,
                                                   std::string_view dict_path,
                                                   const CedictEntrySink& sink,
                                                   ProblemLog& problems, Progress& progress);

}  // namespace lumra::artifacts::build
