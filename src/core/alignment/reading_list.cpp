#include "core/alignment/reading_list.h"

#include <algorithm>

#include "core/base/utf8.h"

namespace lumra {

std::uint64_t ReadingList::longest() const {
  std::uint64_t longest = 0;
  for (std::size_t i = 0; i < size(); ++i) {
    longest = std::max<std::uint64_t>(longest, (*this)[i].size());
  }
  return longest;
}

void ReadingList::push_back(std::string_view utf8) {
  append_utf8(utf8, symbols_);
  ends_.push_back(symbols_.size());
}

}  // namespace lumra
