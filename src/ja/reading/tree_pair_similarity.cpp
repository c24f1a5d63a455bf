#include "ja/reading/tree_pair_similarity.h"

#include <algorithm>
#include <utility>
#include <cstdint>
#include <vector>

#include "core/base/interruption.h"
#include "core/strings/similarity.h"
#include "ja/reading/string_trie.h"
#include "ja/text/next_char.h"

namespace lumra::ja {

namespace {

class TreeSearch {
 public:
  explicit TreeSearch(const SpellingTree& tree) : tree_(tree) {}

  // Raises `best` to the best similarity of `text` with a string of the
  // tree that beats it. Every alignment of `text` with a string below a
  // node passes through the row where the node's list begins at some
  // column i; the rest of `text` from i and the rest of the string then
  // differ in length by at least the gap between m - i and the lengths the
  // node's branch spells, so the smallest row entry plus its gap bounds the
  // distance of every string in the branch. A similarity never grows with
  // the distance nor shrinks with the longer length, so a branch whose
  // bound, taken with its longest string, does not beat `best` holds
  // nothing that does. A stop asked by the interruption source leaves
  // `best` as it stands.
  void raise_best(Symbols text, double& best) {
    text_ = text;
    width_ = text.size() + 1;
    rows_.resize(width_ * (std::size_t{tree_.longest()} + 1));
    for (std::size_t i = 0; i < width_; ++i) rows_[i] = static_cast<std::uint32_t>(i);
    const SpellingTree::Node& root = tree_.node(SpellingTree::kRoot);
    const std::uint64_t m = text.size();
    if (root.ends_path) best = std::max(best, similarity_from_distance(m, m, 0));
    stack_.clear();
    push_children(root, VowelClass::None, 0, best);
    while (!stack_.empty() && best < 1.0) {
      Frame& frame = stack_.back();
      const SpellingTree::Node& node = tree_.node(frame.node);
      const VariantList& variants = node.list ? *node.list : long_vowel_variants(frame.last_vowel);
      // The best may have risen since the branch was put on the stack.
      if (frame.tried == variants.size() ||
          (frame.tried == 0 && !(similarity_from_distance(frame.bound, m, frame.longest) > best))) {
        stack_.pop_back();
        continue;
      }
      // The spelling that matches the text's next symbol first: it tends
      // to raise `best` soonest, and a higher best prunes more.
      std::size_t v = frame.tried++;
      if (frame.preferred < variants.size()) {
        v = v == 0 ? frame.preferred : (v <= frame.preferred ? v - 1 : v);
      }
      const RomajiVariant& variant = variants.begin()[v];
      const std::uint32_t depth = frame.depth;
      const VowelClass vowel = vowel_class_after(frame.last_vowel, variant.text());
      std::uint32_t at = depth;
      const std::string_view spelled = variant.text();
      for (std::size_t b = 0; b < spelled.size();) {
        const NextChar c = next_char(spelled, b);
        b += c.size;
        if (poll_.stop_after(width_)) return;
        fill_row(at + 1, c.value);
        ++at;
      }
      // `frame` may move once children are pushed.
      const std::uint32_t* row = rows_.data() + std::size_t{at} * width_;
      if (node.ends_path) best = std::max(best, similarity_from_distance(row[width_ - 1], m, at));
      push_children(node, vowel, at, best);
    }
  }

 private:
  struct Frame {
    SpellingTree::NodeId node;
    VowelClass last_vowel;
    std::uint32_t depth;  // of the prefix before the node's list
    std::uint8_t tried;   // spellings of the list taken so far
    std::uint8_t preferred;
    // The smallest distance and the longest length of the branch's strings.
    std::uint64_t bound;
    std::uint64_t longest;
  };

  void fill_row(std::uint32_t depth, Symbol symbol) {
    const std::uint32_t* above = rows_.data() + std::size_t{depth - 1} * width_;
    std::uint32_t* row = rows_.data() + std::size_t{depth} * width_;
    row[0] = depth;
    for (std::size_t i = 1; i < width_; ++i) {
      const std::uint32_t substitution = above[i - 1] + (text_[i - 1] != symbol ? 1 : 0);
      row[i] = std::min({above[i] + 1, row[i - 1] + 1, substitution});
    }
  }

  // The children of `parent` whose branches may beat `best`, from the row
  // at `depth`.
  void push_children(const SpellingTree::Node& parent, VowelClass vowel, std::uint32_t depth,
                     double best) {
    const std::uint32_t* row = rows_.data() + std::size_t{depth} * width_;
    const std::uint64_t m = text_.size();
    std::size_t matching = kNoFrame;
    for (SpellingTree::NodeId c = parent.first_child; c != SpellingTree::kNone;
         c = tree_.node(c).next_sibling) {
      const SpellingTree::Node& child = tree_.node(c);
      const std::uint64_t shortest = child.shortest_rest;
      const std::uint64_t longest = child.longest_rest;
      std::uint64_t bound = ~std::uint64_t{0};
      for (std::size_t i = 0; i < width_; ++i) {
        const std::uint64_t rest = m - i;
        const std::uint64_t gap =
            rest < shortest ? shortest - rest : rest > longest ? rest - longest : 0;
        bound = std::min(bound, row[i] + gap);
      }
      if (!(similarity_from_distance(bound, m, depth + longest) > best)) continue;
      const std::uint8_t preferred = preferred_of(child, vowel, depth);
      stack_.push_back({c, vowel, depth, 0, preferred, bound, depth + longest});
      // A branch that goes on with the text's next symbol is searched
      // first.
      if (preferred < VariantList::kCapacity && matching == kNoFrame) {
        matching = stack_.size() - 1;
      }
    }
    if (matching != kNoFrame) std::swap(stack_[matching], stack_.back());
  }

  static constexpr std::size_t kNoFrame = ~std::size_t{0};

  // The first spelling of `node`'s list that begins with the text's symbol
  // at `depth`, or none (kCapacity).
  std::uint8_t preferred_of(const SpellingTree::Node& node, VowelClass vowel,
                            std::uint32_t depth) const {
    if (depth >= text_.size()) return VariantList::kCapacity;
    const VariantList& variants = node.list ? *node.list : long_vowel_variants(vowel);
    for (std::size_t v = 0; v < variants.size(); ++v) {
      const std::string_view spelled = variants.begin()[v].text();
      if (next_char(spelled, 0).value == text_[depth]) return static_cast<std::uint8_t>(v);
    }
    return VariantList::kCapacity;
  }

  const SpellingTree& tree_;
  Symbols text_;
  std::size_t width_ = 0;
  std::vector<std::uint32_t> rows_;
  std::vector<Frame> stack_;
  InterruptionPoll poll_;
};

}  // namespace

double tree_best_pair_similarity(const SpellingTree& inner, const SpellingTree& outer,
                                 std::uint64_t outer_spelled) {
  if (inner.empty() || outer.empty()) return 0.0;
  double best = 0.0;
  TreeSearch search(inner);
  // A stopped call returns what it has, which the caller discards.
  InterruptionPoll poll;
  auto raise = [&](Symbols text) {
    if (poll.stop_after(64 * (text.size() + 1))) return false;
    search.raise_best(text, best);
    return best < 1.0;
  };
  if (outer_spelled > kMostRepeatedOuterStrings) {
    // Many paths may spell one string (a word read whole and read by its
    // characters): each distinct string is searched once.
    StringTrie distinct;
    bool complete = true;
    outer.for_each_string([&](Symbols text) {
      complete = !poll.stop_after(text.size() + 1) && distinct.insert(text);
      return complete;
    });
    if (complete) {
      distinct.for_each_string(raise);
      return best;
    }
  }
  outer.for_each_string(raise);
  return best;
}

}  // namespace lumra::ja
