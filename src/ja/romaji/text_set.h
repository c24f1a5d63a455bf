// TextSet: distinct texts in the order they were first inserted.
//
// Gathering the readings of many paths meets the same romaji string many
// times; a hash of the texts drops repeats as they come, so the set holds
// each string once and is sorted, if at all, only at the end.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "ja/romaji/text_list.h"

namespace lumra::ja {

class TextSet {
 public:
  // Adds `text` unless it is present; true when it was added.
  bool insert(std::string_view text);
  void insert_all(const TextList& texts) {
    for (std::string_view text : texts) insert(text);
  }

  std::size_t size() const { return texts_.size(); }
  bool empty() const { return texts_.empty(); }
  const TextList& texts() const { return texts_; }
  // The texts, leaving the set empty.
  TextList take();

 private:
  void grow();

  TextList texts_;
  std::vector<std::uint64_t> hashes_;  // of texts_, in order
  std::vector<std::uint32_t> slots_;   // index + 1 into texts_, 0 for free
};

}  // namespace lumra::ja
