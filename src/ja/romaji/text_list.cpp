#include "ja/romaji/text_list.h"

#include <algorithm>

namespace lumra::ja {

void TextList::sort_unique() {
  // string_view compares as unsigned bytes, the byte order the reading sets
  // are defined in.
  std::vector<std::string_view> order(begin(), end());
  std::sort(order.begin(), order.end());
  TextList sorted;
  sorted.bytes_.reserve(bytes_.size());
  sorted.ends_.reserve(ends_.size());
  for (std::size_t k = 0; k < order.size(); ++k) {
    if (k > 0 && order[k] == order[k - 1]) continue;
    sorted.push_back(order[k]);
  }
  *this = std::move(sorted);
}

}  // namespace lumra::ja
