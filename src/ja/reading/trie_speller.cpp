#include "ja/reading/trie_speller.h"

#include <algorithm>
#include <array>

#include "ja/text/next_char.h"

namespace lumra::ja {

namespace {

bool same_variant(const RomajiVariant& a, const RomajiVariant& b) {
  const std::string_view x = a.text();
  const std::string_view y = b.text();
  if (x.size() != y.size()) return false;
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (x[i] != y[i]) return false;
  }
  return true;
}

// Lists are compared for every path against the one before; a spelling is
// at most four bytes, too short for a library comparison to pay.
bool same_list(const std::optional<VariantList>& a, const std::optional<VariantList>& b) {
  if (a.has_value() != b.has_value()) return false;
  if (!a) return true;
  if (a->size() != b->size()) return false;
  for (std::size_t i = 0; i < a->size(); ++i) {
    if (!same_variant(a->begin()[i], b->begin()[i])) return false;
  }
  return true;
}

// The last vowel of a spelling, looked for once per list rather than once
// per prefix.
struct SpellingFacts {
  VowelClass vowel;  // None when the spelling has no vowel
  bool ascii;        // one byte per symbol
};

SpellingFacts facts_of(const RomajiVariant& variant) {
  return {vowel_class_after(VowelClass::None, variant.text()),
          variant.chars() == variant.text().size()};
}

}  // namespace

StringTrie::NodeId TrieSpeller::spell(StringTrie::NodeId node, std::string_view text, bool ascii) {
  if (ascii) {
    for (const char c : text) {
      node = trie_.child(node, static_cast<unsigned char>(c));
      if (node == StringTrie::kNone) return node;
    }
    return node;
  }
  for (std::size_t at = 0; at < text.size();) {
    const NextChar c = next_char(text, at);
    node = trie_.child(node, c.value);
    if (node == StringTrie::kNone) return node;
    at += c.size;
  }
  return node;
}

TrieSpeller::Outcome TrieSpeller::step(std::size_t depth, const std::optional<VariantList>& list) {
  ++steps_;
  const std::size_t begin = starts_[depth];
  const std::size_t end = starts_[depth + 1];
  std::array<SpellingFacts, VariantList::kCapacity> facts{};
  if (list) {
    for (std::size_t v = 0; v < list->size(); ++v) facts[v] = facts_of(list->begin()[v]);
  }
  for (std::size_t p = begin; p < end; ++p) {
    const Prefix from = prefixes_[p];
    const VariantList& variants = list ? *list : long_vowel_variants(from.last_vowel);
    for (std::size_t v = 0; v < variants.size(); ++v) {
      const RomajiVariant& variant = variants.begin()[v];
      const SpellingFacts fact = list ? facts[v] : facts_of(variant);
      const std::string_view text = variant.text();
      if (poll_.stop_after(text.size() + 1)) return Outcome::Stopped;
      const StringTrie::NodeId node = spell(from.node, text, fact.ascii);
      if (node == StringTrie::kNone) return Outcome::Full;
      if (node >= seen_.size()) seen_.resize(std::max<std::size_t>(node + 1, 2 * seen_.size()), 0);
      if (seen_[node] == steps_) continue;
      seen_[node] = steps_;
      prefixes_.push_back({node, from.bytes + static_cast<std::uint32_t>(text.size()),
                           fact.vowel != VowelClass::None ? fact.vowel : from.last_vowel});
    }
  }
  starts_.push_back(prefixes_.size());
  return Outcome::Added;
}

TrieSpeller::Outcome TrieSpeller::add(const UnitVariantLists& lists) {
  if (starts_.empty()) {
    prefixes_.push_back({StringTrie::kRoot, 0, VowelClass::None});
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
  previous_lists_.resize(shared);
  for (std::size_t d = shared; d < lists.size(); ++d) {
    const Outcome outcome = step(d, lists[d]);
    if (outcome != Outcome::Added) {
      // A partial frontier must not be reused.
      previous_lists_.clear();
      starts_.resize(2);
      prefixes_.resize(1);
      return outcome;
    }
    previous_lists_.push_back(lists[d]);
  }
  const std::size_t last = lists.size();
  for (std::size_t p = starts_[last]; p < starts_[last + 1]; ++p) {
    trie_.mark_end(prefixes_[p].node, prefixes_[p].bytes);
  }
  return Outcome::Added;
}

}  // namespace lumra::ja
