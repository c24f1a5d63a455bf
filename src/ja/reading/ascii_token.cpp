#include "ja/reading/ascii_token.h"

#include <vector>

#include "ja/text/next_char.h"

namespace lumra::ja {

namespace {

bool is_ascii_alnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

Result<bool, UnidicLoadError> has_dictionary_ascii_token(const UnidicReadingIndex& index,
                                                         std::string_view text) {
  bool all_ascii = true;
  for (char c : text) all_ascii = all_ascii && static_cast<unsigned char>(c) < 0x80;
  if (all_ascii || !has_ascii_alnum(text)) return false;
  // The runs are ASCII, so byte positions and lengths are character ones.
  std::vector<std::string_view> readings;
  for (std::size_t at = 0; at < text.size();) {
    if (!is_ascii_alnum(text[at])) {
      ++at;
      continue;
    }
    const std::size_t start = at;
    while (at < text.size() && is_ascii_alnum(text[at])) ++at;
    if (at == text.size() && start > 0 && at - start == 1) break;
    LUMRA_TRY_ASSIGN(const bool found,
                     index.lookup_folded(text.substr(start, at - start), readings));
    if (found) return true;
  }
  return false;
}

}  // namespace lumra::ja
