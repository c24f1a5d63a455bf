#include "ja/romaji/text_list.h"

#include <algorithm>

namespace lumra::ja {

void TextList::sort_unique() {
  std::vector<std::size_t> order(size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  // std::string_view compares as unsigned bytes, which is the byte order
  // the reading sets are defined in.
  std::sort(order.begin(), order.end(),
            [this](std::size_t a, std::size_t b) { return (*this)[a] < (*this)[b]; });
  TextList sorted;
  sorted.bytes_.reserve(bytes_.size());
  sorted.ends_.reserve(ends_.size());
  for (std::size_t k = 0; k < order.size(); ++k) {
    const std::string_view text = (*this)[order[k]];
    if (k > 0 && text == (*this)[order[k - 1]]) continue;
    sorted.push_back(text);
  }
  *this = std::move(sorted);
}

}  // namespace lumra::ja
