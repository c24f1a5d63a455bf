#include "ja/reading/preorder_trie.h"

#include <algorithm>
#include <string_view>

#include "core/base/interruption.h"
#include "ja/reading/string_trie.h"
#include "ja/romaji/vowel_class.h"
#include "ja/text/next_char.h"

namespace lumra::ja {

namespace {

// The tree's strings into `trie`, each prefix that several paths spell
// alike merged; false past `max_steps` symbols or when the trie is full.
bool spell_into(const SpellingTree& tree, std::uint64_t max_steps, StringTrie& trie) {
  struct Frame {
    SpellingTree::NodeId node;
    VowelClass last_vowel;
    StringTrie::NodeId at;  // the prefix before the node's list
    std::uint32_t bytes;    // of that prefix, in UTF-8
    std::size_t variant;    // the next variant to spell
  };
  const SpellingTree::Node& root = tree.node(SpellingTree::kRoot);
  if (root.ends_path) trie.mark_end(StringTrie::kRoot, 0);
  std::vector<Frame> stack;
  for (SpellingTree::NodeId c = root.first_child; c != SpellingTree::kNone;
       c = tree.node(c).next_sibling) {
    stack.push_back({c, VowelClass::None, StringTrie::kRoot, 0, 0});
  }
  std::uint64_t steps = 0;
  InterruptionPoll poll;
  while (!stack.empty()) {
    Frame& frame = stack.back();
    const SpellingTree::Node& node = tree.node(frame.node);
    const VariantList& variants = node.list ? *node.list : long_vowel_variants(frame.last_vowel);
    if (frame.variant == variants.size()) {
      stack.pop_back();
      continue;
    }
    const RomajiVariant& variant = variants.begin()[frame.variant++];
    const std::string_view spelled = variant.text();
    steps += spelled.size();
    if (steps > max_steps || poll.stop_after(spelled.size())) return false;
    StringTrie::NodeId at = frame.at;
    for (std::size_t b = 0; b < spelled.size();) {
      const NextChar c = next_char(spelled, b);
      b += c.size;
      at = trie.child(at, c.value);
      if (at == StringTrie::kNone) return false;
    }
    const auto bytes = static_cast<std::uint32_t>(frame.bytes + spelled.size());
    if (node.ends_path) trie.mark_end(at, bytes);
    const VowelClass below = vowel_class_after(frame.last_vowel, variant);
    for (SpellingTree::NodeId c = node.first_child; c != SpellingTree::kNone;
         c = tree.node(c).next_sibling) {
      stack.push_back({c, below, at, bytes, 0});
    }
  }
  return true;
}

}  // namespace

std::optional<PreorderTrie> PreorderTrie::spell(const SpellingTree& tree,
                                                std::uint64_t max_steps,
                                                std::size_t max_nodes) {
  if (tree.longest() > kMaxLength) return std::nullopt;
  StringTrie trie(max_nodes);
  if (!spell_into(tree, max_steps, trie)) return std::nullopt;
  trie.finish();

  PreorderTrie out;
  out.ascii_letters_.fill(kNoLetter);
  auto letter_for = [&](Symbol symbol) -> std::optional<std::uint16_t> {
    if (auto known = out.letter_of(symbol)) return known;
    if (out.letters_.size() >= kMaxLetters) return std::nullopt;
    const auto letter = static_cast<std::uint16_t>(out.letters_.size());
    out.letters_.push_back(symbol);
    if (symbol < out.ascii_letters_.size()) {
      out.ascii_letters_[symbol] = letter;
    } else {
      const auto place = std::ranges::lower_bound(out.other_letters_, symbol, {},
                                                  &std::pair<Symbol, std::uint16_t>::first);
      out.other_letters_.insert(place, {symbol, letter});
    }
    return letter;
  };

  // A node is laid out when it is opened, and its end is known when it is
  // closed, after everything below it.
  struct Step {
    StringTrie::NodeId node;
    std::uint32_t laid_out;  // kOpen, or the index of the node to close
  };
  constexpr std::uint32_t kOpen = ~std::uint32_t{0};
  out.nodes_.reserve(trie.node_count());
  std::vector<Step> stack = {{StringTrie::kRoot, kOpen}};
  while (!stack.empty()) {
    const Step step = stack.back();
    stack.pop_back();
    if (step.laid_out != kOpen) {
      out.nodes_[step.laid_out].end = static_cast<std::uint32_t>(out.nodes_.size());
      continue;
    }
    const StringTrie::Node& at = trie.node(step.node);
    Node laid{0, static_cast<std::uint16_t>(at.depth), 0, at.ends_string, 0, 0};
    if (step.node != StringTrie::kRoot) {
      const auto letter = letter_for(at.symbol);
      if (!letter) return std::nullopt;
      laid.letter = *letter & kMaxLetters;
    }
    std::uint32_t shortest = StringTrie::kNoLength;
    std::uint32_t longest = 0;
    const auto index = static_cast<std::uint32_t>(out.nodes_.size());
    stack.push_back({step.node, index});
    for (StringTrie::NodeId c = at.first_child; c != StringTrie::kNone;
         c = trie.node(c).next_sibling) {
      const StringTrie::Node& child = trie.node(c);
      // A branch of a path that a full tree left half added holds no
      // string.
      if (child.shortest_below == StringTrie::kNoLength) continue;
      shortest = std::min(shortest, child.shortest_below);
      longest = std::max(longest, child.longest_below);
      stack.push_back({c, kOpen});
    }
    if (shortest != StringTrie::kNoLength) {
      laid.shortest_below = static_cast<std::uint16_t>(shortest - at.depth);
      laid.longest_below = static_cast<std::uint16_t>(longest - at.depth);
    }
    out.nodes_.push_back(laid);
  }
  return out;
}

std::optional<std::uint16_t> PreorderTrie::letter_of(Symbol symbol) const {
  if (symbol < ascii_letters_.size()) {
    const std::uint16_t letter = ascii_letters_[symbol];
    if (letter == kNoLetter) return std::nullopt;
    return letter;
  }
  const auto place = std::ranges::lower_bound(other_letters_, symbol, {},
                                              &std::pair<Symbol, std::uint16_t>::first);
  if (place == other_letters_.end() || place->first != symbol) return std::nullopt;
  return place->second;
}

}  // namespace lumra::ja
