#include "ja/reading/trie_speller.h"

#include <algorithm>
#include <ranges>

#include "ja/text/next_char.h"

namespace lumra::ja {

namespace {

bool same_list(const std::optional<VariantList>& a, const std::optional<VariantList>& b) {
  if (a.has_value() != b.has_value()) return false;
  return !a || std::ranges::equal(*a, *b);
}

}  // namespace

bool TrieSpeller::step(std::size_t depth, const std::optional<VariantList>& list) {
  ++steps_;
  const std::size_t begin = starts_[depth];
  const std::size_t end = starts_[depth + 1];
  for (std::size_t p = begin; p < end; ++p) {
    const Prefix from = prefixes_[p];
    for (const RomajiVariant& variant : list ? *list : long_vowel_variants(from.last_vowel)) {
      const std::string_view text = variant.text();
      StringTrie::NodeId node = from.node;
      for (std::size_t at = 0; at < text.size();) {
        const NextChar c = next_char(text, at);
        node = trie_.child(node, c.value);
        if (node == StringTrie::kNone) return false;
        at += c.size;
      }
      if (node >= seen_.size()) seen_.resize(std::max<std::size_t>(node + 1, 2 * seen_.size()), 0);
      if (seen_[node] == steps_) continue;
      seen_[node] = steps_;
      prefixes_.push_back({node, vowel_class_after(from.last_vowel, text)});
    }
  }
  starts_.push_back(prefixes_.size());
  return true;
}

bool TrieSpeller::add(const UnitVariantLists& lists) {
  if (starts_.empty()) {
    prefixes_.push_back({StringTrie::kRoot, VowelClass::None});
    starts_ = {0, 1};
  }
  // The frontiers of the lists this path shares with the previous one
  // stand: the trie only ever grows.
  std::size_t shared = 0;
  while (shared < lists.size() && shared < previous_lists_.size() &&
         same_list(lists[shared], previous_lists_[shared])) {
    ++shared;
  }
  starts_.resize(shared + 2);
  prefixes_.resize(starts_[shared + 1]);
  previous_lists_.assign(lists.begin(), lists.begin() + static_cast<std::ptrdiff_t>(shared));
  for (std::size_t d = shared; d < lists.size(); ++d) {
    if (!step(d, lists[d])) {
      // A partial frontier must not be reused.
      previous_lists_.clear();
      starts_.resize(2);
      prefixes_.resize(1);
      return false;
    }
    previous_lists_.push_back(lists[d]);
  }
  const std::size_t last = lists.size();
  for (std::size_t p = starts_[last]; p < starts_[last + 1]; ++p) trie_.mark_end(prefixes_[p].node);
  return true;
}

}  // namespace lumra::ja
