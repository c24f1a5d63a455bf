#include "ja/romaji/spelling_trie.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <span>
#include <utility>

#include "core/base/word_hash.h"
#include "core/lattice/merged_lattice.h"
#include "ja/romaji/vowel_class.h"
#include "ja/text/next_char.h"

namespace lumra::ja {

namespace {

// Numbers short lists of words in the order they are first met, so that
// equal lists, and so equal nodes, get equal numbers. Lists are stored end
// to end in one buffer and found through an open-addressing table.
class SignatureNumbers {
 public:
  // Forgets every signature but keeps the buffers, with room for about
  // `entries` signatures of `words` words in all, so that a numbering of
  // the expected size allocates nothing more.
  void reset(std::size_t entries, std::size_t words) {
    slots_.assign(std::bit_ceil(std::max<std::size_t>(64, 2 * entries + 2)), kEmpty);
    hashes_.clear();
    hashes_.reserve(entries);
    starts_.assign(1, 0);
    starts_.reserve(entries + 1);
    words_.clear();
    words_.reserve(words);
  }

  std::size_t footprint() const {
    return slots_.capacity() * sizeof(std::uint32_t) + hashes_.capacity() * sizeof(std::uint64_t) +
           words_.capacity() * sizeof(std::uint64_t) + starts_.capacity() * sizeof(std::size_t);
  }

  std::uint32_t number(std::span<const std::uint64_t> signature) {
    if (2 * (hashes_.size() + 1) > slots_.size()) grow();
    const std::uint64_t hash = hash_words(signature);
    const std::size_t mask = slots_.size() - 1;
    std::size_t slot = hash & mask;
    for (; slots_[slot] != kEmpty; slot = (slot + 1) & mask) {
      const std::uint32_t n = slots_[slot];
      if (hashes_[n] == hash && std::ranges::equal(stored(n), signature)) return n;
    }
    const auto n = static_cast<std::uint32_t>(hashes_.size());
    slots_[slot] = n;
    hashes_.push_back(hash);
    words_.insert(words_.end(), signature.begin(), signature.end());
    starts_.push_back(words_.size());
    return n;
  }

  std::uint32_t size() const { return static_cast<std::uint32_t>(hashes_.size()); }
  std::size_t word_count() const { return words_.size(); }
  std::span<const std::uint64_t> stored(std::uint32_t n) const {
    return {words_.data() + starts_[n], starts_[n + 1] - starts_[n]};
  }

 private:
  static constexpr std::uint32_t kEmpty = std::numeric_limits<std::uint32_t>::max();

  void grow() {
    slots_.assign(2 * slots_.size(), kEmpty);
    const std::size_t mask = slots_.size() - 1;
    for (std::uint32_t n = 0; n < hashes_.size(); ++n) {
      std::size_t slot = hashes_[n] & mask;
      while (slots_[slot] != kEmpty) slot = (slot + 1) & mask;
      slots_[slot] = n;
    }
  }

  std::vector<std::uint32_t> slots_;
  std::vector<std::uint64_t> hashes_;
  std::vector<std::uint64_t> words_;
  std::vector<std::size_t> starts_;
};

// A class of trie nodes with the same endings: whether a list ends there,
// and its (list, class) edges.
struct EndingClass {
  bool ends;
  std::uint32_t first_edge;
  std::uint32_t edge_count;
};

// What spell_graph() works in, kept by each thread from one spelling to
// the next: a text's lattice is spelled in a few thousand steps, and
// growing a dozen buffers from nothing would cost as many again.
struct SpellScratch {
  std::vector<std::uint32_t> class_of;
  std::vector<EndingClass> classes;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> edges;  // (list, class)
  std::vector<std::pair<std::uint32_t, std::uint32_t>> own;
  std::vector<std::uint64_t> signature;
  SignatureNumbers numbers;
  std::vector<std::uint8_t> entered;
  SignatureNumbers nodes;
  std::vector<std::array<std::uint32_t, kVowelClassCount>> spelled;
  std::vector<std::uint64_t> arcs;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> pairs;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> chain;

  // Past this, a thread lets the buffers of an unusually large lattice go.
  static constexpr std::size_t kKeptBytes = std::size_t{4} << 20;

  std::size_t footprint() const {
    return class_of.capacity() * sizeof(std::uint32_t) + classes.capacity() * sizeof(EndingClass) +
           (edges.capacity() + own.capacity()) * sizeof(edges[0]) +
           (signature.capacity() + arcs.capacity()) * sizeof(std::uint64_t) + numbers.footprint() +
           entered.capacity() + nodes.footprint() + spelled.capacity() * sizeof(spelled[0]) +
           (pairs.capacity() + chain.capacity()) * sizeof(pairs[0]);
  }

  static SpellScratch& of_this_thread() {
    thread_local SpellScratch scratch;
    return scratch;
  }
};

constexpr std::uint32_t kNoNode = std::numeric_limits<std::uint32_t>::max();
// The signature of the end node, the one node without arcs: an odd length,
// which no node with arcs has.
constexpr std::array<std::uint64_t, 1> kEndSignature = {~std::uint64_t{0}};

}  // namespace

namespace {

std::uint64_t mix(std::uint64_t h) {
  h ^= h >> 31;
  h *= 0xBF58476D1CE4E5B9ULL;
  return h ^ (h >> 29);
}

}  // namespace

std::uint32_t SpellingTrie::list_number(const std::optional<VariantList>& list) {
  if (!list) return 0;
  // Most lists are kana table rows as they stand: each is read and hashed
  // once, and its number is then found by the row.
  if (list->row() != 0) {
    std::uint32_t& known = row_numbers_[list->row()];
    if (known == 0) known = hashed_list_number(*list) + 1;
    return known - 1;
  }
  return hashed_list_number(*list);
}

std::uint32_t SpellingTrie::hashed_list_number(const VariantList& list) {
  std::array<unsigned char, sizeof(PackedList)> bytes{};
  bytes[0] = static_cast<unsigned char>(list.size());
  std::size_t at = 1;
  for (const RomajiVariant& variant : list) {
    const std::string_view text = variant.text();
    bytes[at] = static_cast<unsigned char>(text.size());
    std::memcpy(&bytes[at + 1], text.data(), text.size());
    at += 1 + RomajiVariant::kMaxBytes;
  }
  PackedList packed;
  std::memcpy(packed.data(), bytes.data(), bytes.size());
  if (2 * packed_lists_.size() >= list_slots_.size()) grow_lists();
  const std::size_t mask = list_slots_.size() - 1;
  std::size_t slot = mix(packed[0] ^ mix(packed[1] ^ mix(packed[2] ^ mix(packed[3])))) & mask;
  for (; list_slots_[slot] != 0; slot = (slot + 1) & mask) {
    if (packed_lists_[list_slots_[slot] - 1] == packed) return list_slots_[slot] - 1;
  }
  const auto number = static_cast<std::uint32_t>(lists_.size());
  list_slots_[slot] = number + 1;
  lists_.push_back(list);
  packed_lists_.push_back(packed);
  return number;
}

void SpellingTrie::grow_lists() {
  list_slots_.assign(std::max<std::size_t>(64, 2 * list_slots_.size()), 0);
  const std::size_t mask = list_slots_.size() - 1;
  // The lists fill at most half the slots before the next growth.
  lists_.reserve(list_slots_.size() / 2);
  packed_lists_.reserve(list_slots_.size() / 2);
  // Number 0, the long vowel mark, is never looked up.
  for (std::uint32_t number = 1; number < packed_lists_.size(); ++number) {
    const PackedList& packed = packed_lists_[number];
    std::size_t slot = mix(packed[0] ^ mix(packed[1] ^ mix(packed[2] ^ mix(packed[3])))) & mask;
    while (list_slots_[slot] != 0) slot = (slot + 1) & mask;
    list_slots_[slot] = number + 1;
  }
}

std::uint32_t SpellingTrie::child(std::uint32_t node, std::uint32_t list) {
  if (2 * parents_.size() >= child_keys_.size()) grow_children();
  const std::uint64_t key = (std::uint64_t{node} << 32 | list) + 1;
  const std::size_t mask = child_keys_.size() - 1;
  std::size_t slot = mix(key) & mask;
  for (; child_keys_[slot] != 0; slot = (slot + 1) & mask) {
    if (child_keys_[slot] == key) return child_values_[slot];
  }
  const auto fresh = static_cast<std::uint32_t>(parents_.size());
  child_keys_[slot] = key;
  child_values_[slot] = fresh;
  lists_of_nodes_.push_back(list);
  parents_.push_back(node);
  ends_.push_back(0);
  return fresh;
}

void SpellingTrie::grow_children() {
  const std::size_t size = std::max<std::size_t>(64, 2 * child_keys_.size());
  std::vector<std::uint64_t> keys(size, 0);
  std::vector<std::uint32_t> values(size, 0);
  for (std::size_t slot = 0; slot < child_keys_.size(); ++slot) {
    if (child_keys_[slot] == 0) continue;
    std::size_t to = mix(child_keys_[slot]) & (size - 1);
    while (keys[to] != 0) to = (to + 1) & (size - 1);
    keys[to] = child_keys_[slot];
    values[to] = child_values_[slot];
  }
  child_keys_ = std::move(keys);
  child_values_ = std::move(values);
  // The nodes fill at most half the slots before the next growth.
  lists_of_nodes_.reserve(size / 2);
  parents_.reserve(size / 2);
  ends_.reserve(size / 2);
}

namespace {

bool same_list(const std::optional<VariantList>& a, const std::optional<VariantList>& b) {
  if (!a || !b) return !a && !b;
  return std::ranges::equal(*a, *b);
}

}  // namespace

void SpellingTrie::clear() {
  lists_of_nodes_.assign(1, 0);
  parents_.assign(1, 0);
  ends_.assign(1, 0);
  std::ranges::fill(child_keys_, 0);
  std::ranges::fill(list_slots_, 0);
  packed_lists_.assign(1, PackedList{});
  lists_.assign(1, VariantList{});
  row_numbers_.fill(0);
  previous_lists_.clear();
  previous_nodes_.clear();
}

void SpellingTrie::add(const UnitVariantLists& lists, std::size_t same_as_previous) {
  // Paths come in the byte order of their texts, so each tends to repeat
  // the lists its predecessor began with, and so its trie nodes.
  const std::size_t shared = std::min(lists.size(), previous_lists_.size());
  std::size_t step = std::min(same_as_previous, shared);
  std::uint32_t node = step == 0 ? 0 : previous_nodes_[step - 1];
  while (step < shared && same_list(lists[step], previous_lists_[step])) {
    node = previous_nodes_[step++];
  }
  previous_lists_.resize(step);
  previous_nodes_.resize(step);
  for (; step < lists.size(); ++step) {
    node = child(node, list_number(lists[step]));
    previous_lists_.push_back(lists[step]);
    previous_nodes_.push_back(node);
  }
  ends_[node] = 1;
}

Result<PathLattice, LatticeError> SpellingTrie::take_lattice() {
  const std::size_t n = parents_.size();
  // Children grouped by parent; a child's number is above its parent's.
  std::vector<std::uint32_t> first(n + 1, 0);
  for (std::size_t node = 1; node < n; ++node) ++first[parents_[node] + 1];
  for (std::size_t node = 0; node < n; ++node) first[node + 1] += first[node];
  std::vector<ListEdge> edges(n > 0 ? n - 1 : 0);
  {
    std::vector<std::uint32_t> next(first.begin(), first.end() - 1);
    for (std::size_t node = 1; node < n; ++node) {
      edges[next[parents_[node]]++] = {lists_of_nodes_[node], static_cast<std::uint32_t>(node)};
    }
  }
  std::vector<char> ends = std::move(ends_);
  return spell_graph(first, edges, ends);
}

Result<PathLattice, LatticeError> SpellingTrie::take_graph_lattice(
    std::span<const std::uint32_t> first_edge, std::span<const ListEdge> edges,
    std::span<const char> ends) {
  return spell_graph(first_edge, edges, ends);
}

Result<PathLattice, LatticeError> SpellingTrie::spell_graph(
    std::span<const std::uint32_t> first, std::span<const ListEdge> graph_edges,
    std::span<const char> ends) {
  const std::size_t n = ends.size();
  SpellScratch& scratch = SpellScratch::of_this_thread();
  // Trie nodes with the same endings, children first: a class is numbered
  // after the classes its edges lead to.
  std::vector<std::uint32_t>& class_of = scratch.class_of;
  std::vector<EndingClass>& classes = scratch.classes;
  std::vector<std::pair<std::uint32_t, std::uint32_t>>& edges = scratch.edges;  // (list, class)
  class_of.assign(n, 0);
  classes.clear();
  edges.clear();
  {
    // A node's signature is its end flag and two words per edge.
    SignatureNumbers& numbers = scratch.numbers;
    numbers.reset(n, n + 2 * graph_edges.size());
    classes.reserve(n);
    edges.reserve(graph_edges.size());
    std::vector<std::pair<std::uint32_t, std::uint32_t>>& own = scratch.own;
    std::vector<std::uint64_t>& signature = scratch.signature;
    for (std::size_t node = n; node-- > 0;) {
      own.clear();
      for (std::uint32_t k = first[node]; k < first[node + 1]; ++k) {
        own.emplace_back(graph_edges[k].list, class_of[graph_edges[k].target]);
      }
      std::sort(own.begin(), own.end());
      signature.assign(1, ends[node]);
      for (const auto& [list, cls] : own) {
        signature.push_back(list);
        signature.push_back(cls);
      }
      const std::uint32_t cls = numbers.number(signature);
      if (cls == classes.size()) {
        classes.push_back({ends[node] != 0, static_cast<std::uint32_t>(edges.size()),
                           static_cast<std::uint32_t>(own.size())});
        edges.insert(edges.end(), own.begin(), own.end());
      }
      class_of[node] = cls;
    }
  }
  const std::uint32_t root = class_of[0];
  auto spellings = [this](std::uint32_t list, VowelClass last) -> const VariantList& {
    return list == 0 ? long_vowel_variants(last) : lists_[list];
  };

  // The vowel classes each class is entered with, parents first.
  std::vector<std::uint8_t>& entered = scratch.entered;
  entered.assign(classes.size(), 0);
  entered[root] = 1u << static_cast<unsigned>(VowelClass::None);
  for (std::size_t cls = classes.size(); cls-- > 0;) {
    for (std::size_t c = 0; c < kVowelClassCount; ++c) {
      if ((entered[cls] >> c & 1) == 0) continue;
      const EndingClass& from = classes[cls];
      for (std::uint32_t e = from.first_edge; e < from.first_edge + from.edge_count; ++e) {
        for (const RomajiVariant& v : spellings(edges[e].first, static_cast<VowelClass>(c))) {
          entered[edges[e].second] |=
              1u << static_cast<unsigned>(vowel_class_after(static_cast<VowelClass>(c), v));
        }
      }
    }
  }

  // Romaji nodes, numbered by their arcs (symbol, target) so that equal
  // endings are one node: the end node first, then, children first, each
  // (class, vowel class) with the chains of its spellings.
  // About a node per class and vowel class and one inside each spelling
  // of a few characters, each with an arc or two.
  const std::size_t expected_nodes = 2 * classes.size() + 4 * edges.size() + 1;
  SignatureNumbers& nodes = scratch.nodes;
  nodes.reset(expected_nodes, 4 * expected_nodes);
  const std::uint32_t end = nodes.number(kEndSignature);
  std::vector<std::array<std::uint32_t, kVowelClassCount>>& spelled = scratch.spelled;
  spelled.resize(classes.size());
  std::vector<std::uint64_t>& arcs = scratch.arcs;
  std::vector<std::pair<std::uint64_t, std::uint64_t>>& pairs = scratch.pairs;
  auto node_of = [&](std::vector<std::pair<std::uint64_t, std::uint64_t>>& out) {
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    arcs.clear();
    for (const auto& [symbol, target] : out) {
      arcs.push_back(symbol);
      arcs.push_back(target);
    }
    return nodes.number(arcs);
  };
  std::vector<std::pair<std::uint64_t, std::uint64_t>>& chain = scratch.chain;
  for (std::size_t cls = 0; cls < classes.size(); ++cls) {
    const EndingClass& from = classes[cls];
    spelled[cls].fill(kNoNode);
    if (from.edge_count == 0) continue;  // a leaf: reached only as the end
    for (std::size_t c = 0; c < kVowelClassCount; ++c) {
      if ((entered[cls] >> c & 1) == 0) continue;
      const auto last = static_cast<VowelClass>(c);
      pairs.clear();
      for (std::uint32_t e = from.first_edge; e < from.first_edge + from.edge_count; ++e) {
        const EndingClass& to = classes[edges[e].second];
        for (const RomajiVariant& v : spellings(edges[e].first, last)) {
          const std::uint32_t next =
              to.edge_count == 0
                  ? kNoNode
                  : spelled[edges[e].second][static_cast<std::size_t>(vowel_class_after(last, v))];
          std::array<Symbol, RomajiVariant::kMaxBytes> symbols{};
          std::size_t count = 0;
          const std::string_view text = v.text();
          for (std::size_t at = 0; at < text.size();) {
            const NextChar ch = next_char(text, at);
            symbols[count++] = ch.value;
            at += ch.size;
          }
          // The last symbol leads to the end, to the rest, or to both; the
          // others form a chain of their own.
          chain.clear();
          if (to.ends) chain.emplace_back(symbols[count - 1], end);
          if (next != kNoNode) chain.emplace_back(symbols[count - 1], next);
          if (count == 1) {
            pairs.insert(pairs.end(), chain.begin(), chain.end());
            continue;
          }
          std::uint64_t target = node_of(chain);
          for (std::size_t k = count - 1; k-- > 1;) {
            chain.assign(1, {symbols[k], target});
            target = node_of(chain);
          }
          pairs.emplace_back(symbols[0], target);
        }
      }
      spelled[cls][c] = node_of(pairs);
    }
  }

  const std::uint64_t total = nodes.size();
  const std::uint64_t start = spelled[root][static_cast<std::size_t>(VowelClass::None)];
  // Targets are numbered before their sources; counting down makes every
  // arc lead upwards.
  std::vector<LatticeArc> lattice_arcs;
  lattice_arcs.reserve(nodes.word_count() / 2);
  for (std::uint32_t node = 0; node < nodes.size(); ++node) {
    const std::span<const std::uint64_t> words = nodes.stored(node);
    if (words.size() % 2 != 0) continue;  // the end
    for (std::size_t w = 0; w < words.size(); w += 2) {
      lattice_arcs.push_back(
          {total - 1 - node, total - 1 - words[w + 1], static_cast<Symbol>(words[w])});
    }
  }
  if (scratch.footprint() > SpellScratch::kKeptBytes) scratch = SpellScratch();
  clear();
  // Every node was numbered by its own set of arcs out, and lies on a path
  // from the start (it spells a class entered from the root) to the end:
  // its endings are merged already. Arcs lead upwards between numbered
  // nodes by construction, so only an interruption can fail the building.
  return merge_equivalent_beginnings(total, total - 1 - start, total - 1 - end,
                                     std::move(lattice_arcs));
}

std::size_t SpellingTrie::footprint() const {
  return (lists_of_nodes_.capacity() + parents_.capacity() + child_values_.capacity() +
          list_slots_.capacity() + previous_nodes_.capacity()) * sizeof(std::uint32_t) +
         ends_.capacity() + child_keys_.capacity() * sizeof(std::uint64_t) +
         packed_lists_.capacity() * sizeof(PackedList) + lists_.capacity() * sizeof(VariantList);
}

}  // namespace lumra::ja
