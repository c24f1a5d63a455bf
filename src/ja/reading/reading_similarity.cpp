#include "ja/reading/reading_similarity.h"

#include "core/strings/string_workspace.h"
#include "ja/reading/dictionary_error.h"
#include "ja/reading/reading_string_set.h"
#include "ja/reading/validate_reading_options.h"

namespace lumra::ja {

Result<double, JapaneseDistanceError> best_reading_similarity(const UnidicReadingIndex& index,
                                                              std::string_view left,
                                                              std::string_view right,
                                                              const ReadingOptions& options) {
  LUMRA_TRY_DICTIONARY(validate_reading_options(options));
  LUMRA_TRY_ASSIGN(const ReadingStringSet left_strings, ReadingStringSet::of(index, left, options));
  LUMRA_TRY_ASSIGN(const ReadingStringSet right_strings,
                   ReadingStringSet::of(index, right, options));
  StringWorkspace workspace;
  return best_similarity(left_strings, right_strings, workspace);
}

}  // namespace lumra::ja
