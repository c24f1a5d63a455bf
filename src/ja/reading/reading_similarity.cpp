#include "ja/reading/reading_similarity.h"

#include <vector>

#include "core/strings/string_workspace.h"
#include "ja/reading/dictionary_error.h"
#include "ja/reading/pair_similarity.h"
#include "ja/reading/reading_strings.h"
#include "ja/reading/validate_reading_options.h"
#include "ja/romaji/text_list.h"
#include "ja/text/next_char.h"

namespace lumra::ja {

namespace {

// The texts of `list` as scalar values: one buffer, one span per text.
class DecodedTexts {
 public:
  explicit DecodedTexts(const TextList& list) {
    // A text has at most as many characters as bytes, so the buffer never
    // moves while the spans are taken.
    symbols_.reserve(list.total_bytes());
    for (std::string_view text : list) {
      const std::size_t begin = symbols_.size();
      for (std::size_t at = 0; at < text.size();) {
        const NextChar c = next_char(text, at);
        symbols_.push_back(c.value);
        at += c.size;
      }
      texts_.emplace_back(symbols_.data() + begin, symbols_.size() - begin);
    }
  }
  const std::vector<Symbols>& texts() const { return texts_; }

 private:
  std::vector<Symbol> symbols_;
  std::vector<Symbols> texts_;
};

}  // namespace

Result<double, JapaneseDistanceError> best_reading_similarity(const UnidicReadingIndex& index,
                                                              std::string_view left,
                                                              std::string_view right,
                                                              const ReadingOptions& options) {
  LUMRA_TRY_DICTIONARY(validate_reading_options(options));
  // The best pair does not depend on the order of either list.
  LUMRA_TRY_ASSIGN(const TextList left_strings, unordered_reading_strings(index, left, options));
  LUMRA_TRY_ASSIGN(const TextList right_strings, unordered_reading_strings(index, right, options));
  const DecodedTexts left_texts(left_strings);
  const DecodedTexts right_texts(right_strings);
  StringWorkspace workspace;
  return pruned_best_pair_similarity(left_texts.texts(), right_texts.texts(), workspace);
}

}  // namespace lumra::ja
