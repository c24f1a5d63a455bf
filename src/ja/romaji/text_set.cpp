#include "ja/romaji/text_set.h"

#include <algorithm>
#include <functional>
#include <utility>

namespace lumra::ja {

namespace {

constexpr std::size_t kMinSlots = 64;

}  // namespace

void TextSet::grow() {
  slots_.assign(std::max(kMinSlots, 2 * slots_.size()), 0);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t k = 0; k < hashes_.size(); ++k) {
    std::size_t s = hashes_[k] & mask;
    while (slots_[s] != 0) s = (s + 1) & mask;
    slots_[s] = static_cast<std::uint32_t>(k + 1);
  }
}

bool TextSet::insert(std::string_view text) {
  // At most half full, so that probes stay short.
  if (2 * (texts_.size() + 1) > slots_.size()) grow();
  const std::uint64_t hash = std::hash<std::string_view>()(text);
  const std::size_t mask = slots_.size() - 1;
  std::size_t s = hash & mask;
  for (; slots_[s] != 0; s = (s + 1) & mask) {
    const std::size_t k = slots_[s] - 1;
    if (hashes_[k] == hash && texts_[k] == text) return false;
  }
  slots_[s] = static_cast<std::uint32_t>(texts_.size() + 1);
  hashes_.push_back(hash);
  texts_.push_back(text);
  return true;
}

TextList TextSet::take() {
  TextList out = std::move(texts_);
  texts_.clear();
  hashes_.clear();
  slots_.clear();
  return out;
}

}  // namespace lumra::ja
