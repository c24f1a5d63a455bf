#include "ja/reading/tree_pair_similarity.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <utility>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/base/interruption.h"
#include "core/strings/similarity.h"
#include "ja/reading/bit_row.h"
#include "ja/reading/popcnt_build.h"
#include "ja/reading/preorder_search.h"
#include "ja/reading/preorder_trie.h"
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
  // distance of every string in the branch. A similarity never grows with the distance nor
  // shrinks with the longer length, so a branch whose bound, taken with its
  // longest string, does not beat `best` holds nothing that does.
  //
  // Only distances up to the limit (the largest that could still beat
  // `best` with the longest string of either side) matter, and a row entry
  // at column i is at least the gap between i and the row's depth: each
  // row is filled only in the band of columns within the limit of its
  // depth, every entry capped at the limit plus one (a capped table is the
  // table capped), and the cells around the band hold the cap. A stop
  // asked by the interruption source leaves `best` as it stands.
  void raise_best(Symbols text, double& best) {
    text_ = text;
    width_ = text.size() + 1;
    const std::size_t depths = std::size_t{tree_.longest()} + 1;
    rows_.resize(width_ * depths);
    bands_.resize(depths);
    const std::uint64_t m = text.size();
    longer_ = std::max<std::uint64_t>(m, tree_.longest());
    if (!set_limit(best)) return;
    // Wide bands are filled a word at a time (bit_row.h), narrow ones cell
    // by cell.
    bits_ = m >= 1 && m <= 64 && 2 * limit_ + 1 >= kNarrowestBitBand;
    if (bits_) {
      match_text();
      bit_rows_.resize(depths);
      bit_rows_[0] = BitRow::first(static_cast<std::uint32_t>(m));
    } else {
      const std::size_t top = std::min<std::size_t>(m, limit_);
      for (std::size_t i = 0; i <= top; ++i) rows_[i] = static_cast<std::uint32_t>(i);
      if (top < m) rows_[top + 1] = cap();
      bands_[0] = {0, static_cast<std::uint32_t>(top)};
    }
    const SpellingTree::Node& root = tree_.node(SpellingTree::kRoot);
    if (root.ends_path && !raise(best, similarity_from_distance(m, m, 0))) return;
    stack_.clear();
    push_children(SpellingTree::kRoot, VowelClass::None, 0, best);
    search(best);
  }

  // Goes on with the text that the search had paused on, `best` as it
  // was left.
  void resume(double& best) {
    paused_ = false;
    search(best);
  }

  // Rows that the search may fill over every text; once they are filled,
  // it pauses where it stands.
  void set_max_rows(std::uint64_t max_rows) { max_rows_ = max_rows; }
  // Whether the search paused in a text, having filled its rows.
  bool paused() const { return paused_; }

 private:
  // Most of a search goes into the bounds of the branches it meets, which
  // count bits: it is compiled a second time, with everything it calls,
  // for processors that count them in one instruction.
  void search(double& best) {
#ifdef LUMRA_POPCNT_BUILD
    if (popcnt_available()) {
      search_with_popcnt(best);
      return;
    }
#endif
    search_branches(best);
  }
#ifdef LUMRA_POPCNT_BUILD
  [[gnu::target("popcnt"), gnu::flatten]] void search_with_popcnt(double& best) {
    search_branches(best);
  }
#endif

  // The branches on the stack, depth first.
  void search_branches(double& best) {
    const std::uint64_t m = text_.size();
    while (!stack_.empty()) {
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
      const SpellingTree::NodeId at_node = frame.node;
      const VowelClass vowel = vowel_class_after(frame.last_vowel, variant);
      std::uint32_t at = frame.depth;
      bool within = true;
      const std::string_view spelled = variant.text();
      for (std::size_t b = 0; b < spelled.size() && within;) {
        const NextChar c = next_char(spelled, b);
        b += c.size;
        if (poll_.stop_after(std::min<std::uint64_t>(width_, 2 * limit_ + 1))) return;
        if (rows_filled_ >= max_rows_) {
          // The spelling is taken again on resuming: the rows above it
          // stay as they are, those below are filled anew.
          --frame.tried;
          pause();
          return;
        }
        ++at;
        ++rows_filled_;
        if (bits_) {
          bit_rows_[at] = bit_rows_[at - 1].next(matches_of(c.value), static_cast<std::uint32_t>(m));
        } else {
          within = fill_row(at, c.value);
        }
      }
      // Past the band every entry is beyond the limit: nothing below beats
      // `best`.
      if (!within) continue;
      if (node.ends_path && (bits_ || bands_[at].last == m)) {
        const std::uint64_t distance = bits_ ? bit_rows_[at].last : rows_[std::size_t{at} * width_ + m];
        if (!raise(best, similarity_from_distance(distance, m, at))) return;
      }
      push_children(at_node, vowel, at, best);
    }
  }

  // The text is the caller's only while it is being searched: a paused
  // search keeps its own copy.
  void pause() {
    paused_ = true;
    held_text_.assign(text_.begin(), text_.end());
    text_ = held_text_;
  }

 public:
  // The rows filled so far, over every text.
  std::uint64_t rows_filled() const { return rows_filled_; }

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

  // The columns of a row that were filled.
  struct Band {
    std::uint32_t first;
    std::uint32_t last;
  };

  std::uint32_t cap() const { return static_cast<std::uint32_t>(limit_ + 1); }

  // The largest distance whose similarity with the longer length of the two
  // sides beats `best`; false when none does (a perfect pair is found).
  bool set_limit(double best) {
    const std::uint64_t m = text_.size();
    auto beats = [&](std::uint64_t d) { return similarity_from_distance(d, m, longer_) > best; };
    if (!beats(0)) return false;
    const double estimate = std::floor((1.0 - best) * static_cast<double>(longer_));
    std::uint64_t d = estimate <= 0.0                              ? 0
                      : estimate >= static_cast<double>(longer_) ? longer_
                                                                   : static_cast<std::uint64_t>(estimate);
    while (d > 0 && !beats(d)) --d;
    while (d < longer_ && beats(d + 1)) ++d;
    limit_ = d;
    return true;
  }

  // Takes `similarity` into `best`; false when nothing can beat it now.
  bool raise(double& best, double similarity) {
    if (!(similarity > best)) return true;
    best = similarity;
    return set_limit(best);
  }

  // Fills the row at `depth` (> 0) after the text's symbol `symbol`, from
  // the row above; false when its band is empty.
  bool fill_row(std::uint32_t depth, Symbol symbol) {
    const std::uint64_t m = text_.size();
    const std::uint64_t first = depth > limit_ ? depth - limit_ : 0;
    const std::uint64_t last = std::min<std::uint64_t>(m, std::uint64_t{depth} + limit_);
    if (first > last) return false;
    const std::uint32_t* above = rows_.data() + std::size_t{depth - 1} * width_;
    std::uint32_t* row = rows_.data() + std::size_t{depth} * width_;
    const std::uint32_t capped = cap();
    // The band of the row above, filled under a limit no smaller, reaches
    // from first - 1 to last, or holds its cap there.
    std::size_t i = first;
    if (first == 0) {
      row[0] = std::min(depth, capped);
      i = 1;
    } else {
      row[first - 1] = capped;
    }
    for (; i <= last; ++i) {
      const std::uint32_t substitution = above[i - 1] + (text_[i - 1] != symbol ? 1 : 0);
      row[i] = std::min({above[i] + 1, row[i - 1] + 1, substitution, capped});
    }
    if (last < m) row[last + 1] = capped;
    bands_[depth] = {static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(last)};
    return true;
  }

  // The same bound as bound_of, from a bit row.
  // Entries of a row step by at most one, so the smallest of row[i] plus
  // the length gap at i lies where the gap is 0: the bound is the smallest
  // entry between the columns m - longest and m - shortest (the first
  // column past them when there are none). A cheaper bound from the steps
  // down is tried first, and when `beats` says it prunes the branch no
  // more is needed. Nullopt when the bound does not beat.
  template <class Beats>
  std::optional<std::uint64_t> bit_bound_of(SpellingTree::NodeId child, std::uint32_t depth,
                                            const Beats& beats) const {
    const SpellingTree::Node& node = tree_.node(child);
    const BitRow& row = bit_rows_[depth];
    const auto m = static_cast<std::uint32_t>(text_.size());
    std::uint64_t bound;
    if (m < node.shortest_rest) {
      bound = std::uint64_t{depth} + node.shortest_rest - m;
    } else {
      const std::uint32_t from = m > node.longest_rest ? m - node.longest_rest : 0;
      const std::uint32_t to = m - node.shortest_rest;
      const std::uint32_t floor = row.floor_between(from, to);
      if (!beats(floor)) return std::nullopt;
      bound = row.min_between(from, to);
      // No larger than the floor: that beats too.
      if (bound == floor) return bound;
    }
    if (!beats(bound)) return std::nullopt;
    return bound;
  }

  // Which of the text's symbols each symbol matches, for the bit rows.
  void match_text() {
    ascii_matches_.fill(0);
    other_matches_.clear();
    for (std::size_t i = 0; i < text_.size(); ++i) {
      const std::uint64_t bit = std::uint64_t{1} << i;
      if (text_[i] < ascii_matches_.size()) {
        ascii_matches_[text_[i]] |= bit;
        continue;
      }
      auto known = std::ranges::find(other_matches_, text_[i], &SymbolMatches::symbol);
      if (known == other_matches_.end()) {
        other_matches_.push_back({text_[i], bit});
      } else {
        known->matches |= bit;
      }
    }
  }
  std::uint64_t matches_of(Symbol symbol) const {
    if (symbol < ascii_matches_.size()) return ascii_matches_[symbol];
    auto known = std::ranges::find(other_matches_, symbol, &SymbolMatches::symbol);
    return known == other_matches_.end() ? 0 : known->matches;
  }

  // The smallest distance that a string of `child`'s branch may have with
  // the text, from the row at `depth`; the cap when none is within the
  // limit.
  std::uint64_t bound_of(SpellingTree::NodeId child, std::uint32_t depth) const {
    const SpellingTree::Node& node = tree_.node(child);
    const std::uint32_t* row = rows_.data() + std::size_t{depth} * width_;
    const Band band = bands_[depth];
    const std::uint64_t m = text_.size();
    const std::uint64_t shortest = node.shortest_rest;
    const std::uint64_t longest = node.longest_rest;
    std::uint64_t bound = cap();
    auto gap_at = [&](std::size_t i) {
      const std::uint64_t rest = m - i;
      return rest < shortest ? shortest - rest : rest > longest ? rest - longest : 0;
    };
    for (std::size_t i = band.first; i <= band.last; ++i) {
      bound = std::min(bound, row[i] + gap_at(i));
    }
    return bound;
  }

  // The children of `parent` whose branches may beat `best`, from the row
  // at `depth`.
  void push_children(SpellingTree::NodeId parent, VowelClass vowel, std::uint32_t depth,
                     double best) {
    const std::uint64_t m = text_.size();
    std::size_t matching = kNoFrame;
    for (SpellingTree::NodeId c = tree_.node(parent).first_child; c != SpellingTree::kNone;
         c = tree_.node(c).next_sibling) {
      const std::uint64_t longest = depth + std::uint64_t{tree_.node(c).longest_rest};
      auto beats = [&](std::uint64_t bound) {
        return similarity_from_distance(bound, m, longest) > best;
      };
      std::uint64_t bound;
      if (bits_) {
        const std::optional<std::uint64_t> beating = bit_bound_of(c, depth, beats);
        if (!beating) continue;
        bound = *beating;
      } else {
        bound = bound_of(c, depth);
        if (!beats(bound)) continue;
      }
      const std::uint8_t preferred = preferred_of(tree_.node(c), vowel, depth);
      stack_.push_back({c, vowel, depth, 0, preferred, bound, longest});
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
  // The longer of the text and the tree's longest string, and the largest
  // distance that may still beat the best with it.
  std::uint64_t longer_ = 0;
  std::uint64_t limit_ = 0;
  std::vector<std::uint32_t> rows_;
  std::vector<Band> bands_;
  // Bands at least this wide are filled as bit rows: cell by cell, only
  // the narrowest are cheaper.
  static constexpr std::uint64_t kNarrowestBitBand = 4;
  bool bits_ = false;
  std::vector<BitRow> bit_rows_;
  struct SymbolMatches {
    Symbol symbol;
    std::uint64_t matches;
  };
  std::array<std::uint64_t, 128> ascii_matches_{};
  std::vector<SymbolMatches> other_matches_;
  std::vector<Frame> stack_;
  std::uint64_t rows_filled_ = 0;
  std::uint64_t max_rows_ = ~std::uint64_t{0};
  bool paused_ = false;
  std::vector<Symbol> held_text_;
  InterruptionPoll poll_;
};

// Symbols spelled into a trie that cost about as much as a row.
constexpr std::uint64_t kSymbolsPerRow = 4;

}  // namespace

struct TreePairSearch::State {
  State(const SpellingTree& inner, const SpellingTree& outer, std::uint64_t outer_spelled,
        std::uint64_t rows_before_spelling)
      : inner(inner),
        outer(outer),
        outer_spelled(outer_spelled),
        next_spelling(rows_before_spelling),
        search(inner) {}

  // Raises `best` with `text`, the one the search paused on when
  // `resuming`; false when no text after it needs searching.
  bool raise(Symbols text, bool resuming) {
    if (poll.stop_after(64 * (text.size() + 1))) {
      stopped = true;
      return false;
    }
    if (!resuming && trie_search && PreorderSearch::takes(text)) {
      trie_search->raise_best(text, best);
      return best < 1.0;
    }
    if (resuming) {
      search.resume(best);
    } else {
      search.raise_best(text, best);
    }
    if (search.paused()) return false;
    if (!trie && search.rows_filled() >= next_spelling) {
      trie = PreorderTrie::spell(inner, search.rows_filled() / kRowsPerSpellingStep,
                                 kMaxSpelledNodes);
      if (trie) {
        trie_search.emplace(*trie);
      } else {
        next_spelling = 4 * search.rows_filled();
      }
    }
    return best < 1.0;
  }

  // Runs `raise` over the texts of `strings` not yet searched; false when
  // the search paused in one.
  template <class Strings>
  bool raise_over(const Strings& strings) {
    std::uint64_t seen = 0;
    strings.for_each_string([&](Symbols text) {
      if (seen++ < texts_done) return true;
      const bool go_on = raise(text, search.paused());
      if (search.paused() && !stopped) return false;
      ++texts_done;
      return go_on;
    });
    return !search.paused() || stopped;
  }

  // Spells the outer strings not yet spelled into `distinct` while the
  // symbols spelled stay within `max_symbols`; false when they would not.
  bool make_distinct(std::uint64_t max_symbols) {
    std::uint64_t seen = 0;
    bool within = true;
    outer.for_each_string([&](Symbols text) {
      if (seen++ < spelled_outer) return true;
      if (text.size() + 1 > max_symbols - std::min(max_symbols, symbols)) {
        within = false;
        return false;
      }
      symbols += text.size() + 1;
      ++spelled_outer;
      use_distinct = !poll.stop_after(text.size() + 1) && distinct.insert(text);
      return use_distinct;
    });
    return within;
  }

  const SpellingTree& inner;
  const SpellingTree& outer;
  const std::uint64_t outer_spelled;
  // The inner side is first searched as the tree, which spells only what
  // each text visits. Once the texts together have filled rows worth
  // several times what spelling the whole of it into a PreorderTrie would
  // take (a step of the spelling costs a few rows), it is spelled so,
  // within that many steps (a larger tree is tried again after the rows
  // have grown fourfold): the walk of the trie costs a fraction of the
  // tree's per row, so a search that was going to be long ends soon after,
  // and a short one never pays for the trie.
  std::uint64_t next_spelling;
  TreeSearch search;
  std::optional<PreorderTrie> trie;
  std::optional<PreorderSearch> trie_search;
  double best = 0.0;
  bool ended = false;
  bool stopped = false;
  // Many paths may spell one string (a word read whole and read by its
  // characters): past kMostRepeatedOuterStrings each distinct string is
  // searched once, if they all fit a trie. Making them distinct counts
  // against the rows too, a row for some symbols spelled.
  bool distinct_made = false;
  bool use_distinct = false;
  StringTrie distinct;
  std::uint64_t spelled_outer = 0;
  std::uint64_t symbols = 0;
  // The texts searched to the end, in the order of the strings searched.
  std::uint64_t texts_done = 0;
  // A stopped call returns what it has, which the caller discards.
  InterruptionPoll poll;
};

TreePairSearch::TreePairSearch(const SpellingTree& inner, const SpellingTree& outer,
                               std::uint64_t outer_spelled, std::uint64_t rows_before_spelling)
    : state_(std::make_unique<State>(inner, outer, outer_spelled, rows_before_spelling)) {}

TreePairSearch::~TreePairSearch() = default;

double TreePairSearch::reached() const { return state_->best; }

std::optional<double> TreePairSearch::run(std::uint64_t max_rows) {
  State& s = *state_;
  if (s.ended) return s.best;
  if (s.inner.empty() || s.outer.empty()) {
    s.ended = true;
    return s.best;
  }
  s.search.set_max_rows(max_rows);
  if (!s.distinct_made && s.outer_spelled > kMostRepeatedOuterStrings) {
    const std::uint64_t max_symbols = max_rows > ~std::uint64_t{0} / kSymbolsPerRow
                                          ? ~std::uint64_t{0}
                                          : max_rows * kSymbolsPerRow;
    if (!s.make_distinct(max_symbols)) return std::nullopt;
    s.distinct_made = true;
  }
  const bool ended = s.use_distinct ? s.raise_over(s.distinct) : s.raise_over(s.outer);
  if (!ended) return std::nullopt;
  s.ended = true;
  return s.best;
}

double tree_best_pair_similarity(const SpellingTree& inner, const SpellingTree& outer,
                                 std::uint64_t outer_spelled,
                                 std::uint64_t rows_before_spelling) {
  return *TreePairSearch(inner, outer, outer_spelled, rows_before_spelling).run(~std::uint64_t{0});
}

std::optional<double> tree_best_pair_similarity_within(const SpellingTree& inner,
                                                       const SpellingTree& outer,
                                                       std::uint64_t outer_spelled,
                                                       std::uint64_t max_rows,
                                                       double& reached,
                                                       std::uint64_t rows_before_spelling) {
  TreePairSearch search(inner, outer, outer_spelled, rows_before_spelling);
  const std::optional<double> found = search.run(max_rows);
  reached = search.reached();
  return found;
}

}  // namespace lumra::ja
