#include "ja/romaji/text_set.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace lumra::ja {

namespace {

constexpr std::size_t kMinSlots = 64;

// Romaji strings are short: eight bytes at a time, mixed as they come.
std::uint64_t hash_text(std::string_view text) {
  std::uint64_t h = 0x9E3779B97F4A7C15ULL ^ text.size();
  std::size_t at = 0;
  auto mix = [&h](std::uint64_t word) {
    h = (h ^ word) * 0xBF58476D1CE4E5B9ULL;
    h ^= h >> 29;
  };
  for (; at + 8 <= text.size(); at += 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + at, 8);
    mix(word);
  }
  if (at < text.size()) {
    std::uint64_t word = 0;
    std::memcpy(&word, text.data() + at, text.size() - at);
    mix(word);
  }
  h *= 0x94D049BB133111EBULL;
  return h ^ (h >> 32);
}

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
  const std::uint64_t hash = hash_text(text);
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
